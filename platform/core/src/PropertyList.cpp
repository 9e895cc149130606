#include "platform/PropertyList.h"

#include <plist/plist.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/FileManager.h"

namespace platform {
namespace {

// The code of "the file isn’t in the correct format".
constexpr int fileReadCorruptFile = 259;

// Seconds between the Unix epoch and the property-list epoch, 2001-01-01T00:00:00Z.
constexpr std::int64_t propertyListEpoch = 978'307'200;

struct PlistDeleter {
  void operator()(void* node) const { plist_free(node); }
};
using PlistNode = std::unique_ptr<void, PlistDeleter>;

// Strings, keys and iterators that libplist allocates are released with free().
struct FreeDeleter {
  void operator()(void* memory) const { std::free(memory); }  // NOLINT(cppcoreguidelines-no-malloc)
};
using CString = std::unique_ptr<char, FreeDeleter>;
using Iterator = std::unique_ptr<void, FreeDeleter>;

std::string base64(std::string_view bytes) {
  static constexpr std::string_view alphabet =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  std::size_t index = 0;
  for (; index + 2 < bytes.size(); index += 3) {
    const auto group =
        static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[index]) << 16U |
                                   static_cast<unsigned char>(bytes[index + 1]) << 8U |
                                   static_cast<unsigned char>(bytes[index + 2]));
    text += alphabet[group >> 18U & 63U];
    text += alphabet[group >> 12U & 63U];
    text += alphabet[group >> 6U & 63U];
    text += alphabet[group & 63U];
  }
  const std::size_t rest = bytes.size() - index;
  if (rest > 0) {
    std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[index]))
                          << 16U;
    if (rest == 2) {
      group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[index + 1])) << 8U;
    }
    text += alphabet[group >> 18U & 63U];
    text += alphabet[group >> 12U & 63U];
    text += rest == 2 ? alphabet[group >> 6U & 63U] : '=';
    text += '=';
  }
  return text;
}

std::string dateText(plist_t node) {
  std::int32_t seconds = 0;
  std::int32_t microseconds = 0;
  plist_get_date_val(node, &seconds, &microseconds);
  const auto unixTime = static_cast<std::time_t>(propertyListEpoch + seconds);
  std::tm utc{};
  if (gmtime_r(&unixTime, &utc) == nullptr) {
    return {};
  }
  std::array<char, 32> text{};
  const std::size_t length = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%SZ", &utc);
  return {text.data(), length};
}

nlohmann::json toJson(plist_t node) {
  switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
      auto object = nlohmann::json::object();
      plist_dict_iter rawIterator = nullptr;
      plist_dict_new_iter(node, &rawIterator);
      const Iterator iterator(rawIterator);
      while (true) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator.get(), &rawKey, &value);
        const CString key(rawKey);
        if (value == nullptr) {
          break;
        }
        object[key ? key.get() : ""] = toJson(value);
      }
      return object;
    }
    case PLIST_ARRAY: {
      auto array = nlohmann::json::array();
      const std::uint32_t size = plist_array_get_size(node);
      for (std::uint32_t index = 0; index < size; ++index) {
        array.push_back(toJson(plist_array_get_item(node, index)));
      }
      return array;
    }
    case PLIST_STRING: {
      char* raw = nullptr;
      plist_get_string_val(node, &raw);
      const CString text(raw);
      return text ? std::string(text.get()) : std::string();
    }
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return value != 0;
    }
    case PLIST_UINT: {
      // libplist keeps every integer as 64 unsigned bits; negative ones come back two's complement.
      std::uint64_t value = 0;
      plist_get_uint_val(node, &value);
      if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return static_cast<std::int64_t>(value);
      }
      return value;
    }
    case PLIST_UID: {
      std::uint64_t value = 0;
      plist_get_uid_val(node, &value);
      return value;
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return value;
    }
    case PLIST_DATE:
      return dateText(node);
    case PLIST_DATA: {
      std::uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      return base64(std::string_view(bytes, static_cast<std::size_t>(length)));
    }
    case PLIST_KEY:  // only ever a dictionary's key, never a value
    case PLIST_NONE:
      break;
  }
  return nullptr;
}

// Whether a string or a dictionary key of the tree holds a NUL character. XML cannot carry one,
// and libplist's accessors stop the process over it (they compare the length with strlen). Its XML
// writer copies texts by their length, so such a character shows in the XML form.
bool holdsNulCharacter(plist_t root) {
  char* raw = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root, &raw, &length);
  const std::unique_ptr<char, decltype(&plist_to_xml_free)> xml(raw, &plist_to_xml_free);
  return !xml || std::string_view(xml.get(), length).find('\0') != std::string_view::npos;
}

}  // namespace

Result<nlohmann::json> readPropertyList(const std::filesystem::path& file) {
  const Result<std::string> contents = readRegularFile(file);
  if (!contents) {
    return std::unexpected(contents.error());
  }

  plist_t raw = nullptr;
  // Within smallFileLimit, so the size fits the library's 32 bits.
  plist_from_memory(contents->data(), static_cast<std::uint32_t>(contents->size()), &raw);
  const PlistNode root(raw);
  if (!root || holdsNulCharacter(root.get())) {
    const std::string name = file.filename().empty() ? file.string() : file.filename().string();
    return std::unexpected(Error{
        errorDomain::file, fileReadCorruptFile,
        "The file “" + name + "” couldn’t be opened because it isn’t in the correct format."});
  }
  return toJson(root.get());
}

}  // namespace platform
