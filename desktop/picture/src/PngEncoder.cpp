#include "PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <string_view>
#include <thread>
#include <vector>

namespace desktop {
namespace {

void appendBigEndian(std::string& out, std::uint32_t value) {
  for (const unsigned shift : {24U, 16U, 8U, 0U}) {
    out.push_back(static_cast<char>((value >> shift) & 0xFFU));
  }
}

// A chunk: length, type, data and the CRC of type and data.
void appendChunk(std::string& out, std::string_view type, std::string_view data) {
  appendBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.append(type);
  out.append(data);
  const auto* checked = reinterpret_cast<const Bytef*>(out.data() + typeAt);
  appendBigEndian(out, static_cast<std::uint32_t>(
                           crc32_z(crc32(0, nullptr, 0), checked, type.size() + data.size())));
}

constexpr unsigned char filterUp = 2;

// The picture is compressed in this many bands of rows at once, each its own run of deflate
// blocks; the count is fixed so that the same picture always gives the same bytes.
constexpr std::size_t bands = 4;

// One band of rows, filtered as PNG's "up" filter does (each byte less the one above it) and
// deflated without a header, ending on a byte boundary (the last band ends the stream). The
// screen's background repeats down every column, so most of a row filters to zeros.
struct Band {
  std::string deflated;
  uLong adler = 0;  // of the filtered rows
  uLong length = 0;
};

Band compressBand(const std::uint32_t* pixels, std::size_t width, std::size_t firstRow,
                  std::size_t endRow, bool last) {
  Band band;
  band.adler = adler32(0, nullptr, 0);
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, -MAX_WBITS, 8, Z_RLE);
  std::array<unsigned char, 1U << 16U> chunk{};
  std::vector<unsigned char> row((width * 3) + 1);
  const auto drain = [&](int flush) {
    do {
      stream.next_out = chunk.data();
      stream.avail_out = static_cast<uInt>(chunk.size());
      deflate(&stream, flush);
      band.deflated.append(reinterpret_cast<const char*>(chunk.data()),
                           chunk.size() - stream.avail_out);
    } while (stream.avail_out == 0);
  };
  for (std::size_t y = firstRow; y < endRow; ++y) {
    const std::uint32_t* current = pixels + (y * width);
    const std::uint32_t* above = y == 0 ? nullptr : current - width;
    row[0] = filterUp;
    for (std::size_t x = 0; x < width; ++x) {
      const std::uint32_t pixel = current[x];
      const std::uint32_t up = above == nullptr ? 0 : above[x];
      unsigned char* out = &row[1 + (x * 3)];
      out[0] = static_cast<unsigned char>((pixel >> 16U) - (up >> 16U));
      out[1] = static_cast<unsigned char>((pixel >> 8U) - (up >> 8U));
      out[2] = static_cast<unsigned char>(pixel - up);
    }
    band.adler = adler32_z(band.adler, row.data(), row.size());
    band.length += row.size();
    stream.next_in = row.data();
    stream.avail_in = static_cast<uInt>(row.size());
    drain(Z_NO_FLUSH);
  }
  drain(last ? Z_FINISH : Z_SYNC_FLUSH);
  deflateEnd(&stream);
  return band;
}

// The zlib stream of the filtered rows: the bands compressed side by side, then joined.
std::string compressedRows(const std::uint32_t* pixels, std::size_t width, std::size_t height) {
  std::vector<Band> parts(bands);
  {
    std::vector<std::jthread> workers;
    for (std::size_t index = 0; index < bands; ++index) {
      const std::size_t first = height * index / bands;
      const std::size_t end = height * (index + 1) / bands;
      workers.emplace_back([&parts, index, pixels, width, first, end] {
        parts[index] = compressBand(pixels, width, first, end, index + 1 == bands);
      });
    }
  }
  std::string stream("\x78\x01", 2);  // deflate with a 32 KiB window, fastest compression
  uLong adler = adler32(0, nullptr, 0);
  for (const Band& band : parts) {
    stream += band.deflated;
    adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
  }
  appendBigEndian(stream, static_cast<std::uint32_t>(adler));
  return stream;
}

}  // namespace

std::string encodePng(const std::uint32_t* pixels, int width, int height) {
  std::string header;
  appendBigEndian(header, static_cast<std::uint32_t>(width));
  appendBigEndian(header, static_cast<std::uint32_t>(height));
  header += std::string_view("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no interlace

  std::string png("\x89PNG\r\n\x1a\n", 8);
  appendChunk(png, "IHDR", header);
  appendChunk(
      png, "IDAT",
      compressedRows(pixels, static_cast<std::size_t>(width), static_cast<std::size_t>(height)));
  appendChunk(png, "IEND", {});
  return png;
}

}  // namespace desktop
