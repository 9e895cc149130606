# Assembles application bundles under ${CMAKE_BINARY_DIR}/bundles:
#
#   ferrolin_add_bundle(<bundle target>
#     EXECUTABLE_TARGET <executable target>
#     NAME <X.app>                  folder name; spaces are fine
#     IDENTIFIER <bundle identifier>
#     EXECUTABLE <executable name>  Contents/MacOS/<name>, CFBundleExecutable
#     VERSION <x.y.z>               CFBundleShortVersionString and CFBundleVersion
#     [DISPLAY_NAME <name>]         CFBundleName; NAME without ".app" unless given
#     [UI_ELEMENT]                  LSUIElement: an accessory application from its start
#     [RESOURCES <files>...]        copied into Contents/Resources
#     [BUNDLES <bundle targets>...] bundles made by this function, copied whole into
#                                   Contents/Resources)
#
# The bundle target is built by default. Every part is refreshed when its source changes: the
# executable when its target is rebuilt, a resource when its file changes, a carried bundle when any
# of its parts does. The target's properties FERROLIN_BUNDLE_DIR (the .app folder) and
# FERROLIN_BUNDLE_FILES (every file the bundle's build writes) describe the result.

set(FERROLIN_BUNDLES_DIR "${CMAKE_BINARY_DIR}/bundles")
set(FERROLIN_INFO_PLIST_TEMPLATE "${CMAKE_CURRENT_LIST_DIR}/Info.plist.in")

# The text with the characters XML reserves written as entities.
function(ferrolin_xml_escape out text)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(ferrolin_add_bundle target)
  cmake_parse_arguments(PARSE_ARGV 1 ARG "UI_ELEMENT"
    "EXECUTABLE_TARGET;NAME;IDENTIFIER;EXECUTABLE;VERSION;DISPLAY_NAME" "RESOURCES;BUNDLES")
  foreach(required IN ITEMS EXECUTABLE_TARGET NAME IDENTIFIER EXECUTABLE VERSION)
    if(NOT ARG_${required})
      message(FATAL_ERROR "ferrolin_add_bundle(${target}): ${required} is missing")
    endif()
  endforeach()
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "ferrolin_add_bundle(${target}): unknown arguments ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT ARG_NAME MATCHES "\\.app$" OR ARG_NAME MATCHES "/" OR ARG_EXECUTABLE MATCHES "/")
    message(FATAL_ERROR "ferrolin_add_bundle(${target}): NAME must be X.app and EXECUTABLE a plain name")
  endif()
  if(NOT ARG_DISPLAY_NAME)
    string(REGEX REPLACE "\\.app$" "" ARG_DISPLAY_NAME "${ARG_NAME}")
  endif()

  set(bundle "${FERROLIN_BUNDLES_DIR}/${ARG_NAME}")
  set(macos "${bundle}/Contents/MacOS")
  set(resources "${bundle}/Contents/Resources")
  set(work "${CMAKE_CURRENT_BINARY_DIR}/CMakeFiles/${target}.dir")

  # Info.plist: generated at configure time, copied in at build time so that a removed bundle
  # folder comes back whole.
  ferrolin_xml_escape(BUNDLE_EXECUTABLE "${ARG_EXECUTABLE}")
  ferrolin_xml_escape(BUNDLE_IDENTIFIER "${ARG_IDENTIFIER}")
  ferrolin_xml_escape(BUNDLE_DISPLAY_NAME "${ARG_DISPLAY_NAME}")
  ferrolin_xml_escape(BUNDLE_VERSION "${ARG_VERSION}")
  set(BUNDLE_EXTRA_KEYS "")
  if(ARG_UI_ELEMENT)
    set(BUNDLE_EXTRA_KEYS "  <key>LSUIElement</key>\n  <true/>\n")
  endif()
  configure_file("${FERROLIN_INFO_PLIST_TEMPLATE}" "${work}/Info.plist" @ONLY)
  add_custom_command(OUTPUT "${bundle}/Contents/Info.plist"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${macos}" "${resources}"
    COMMAND "${CMAKE_COMMAND}" -E copy "${work}/Info.plist" "${bundle}/Contents/Info.plist"
    DEPENDS "${work}/Info.plist"
    COMMENT "Info.plist of ${ARG_NAME}"
    VERBATIM)
  set(files "${bundle}/Contents/Info.plist")

  add_custom_command(OUTPUT "${macos}/${ARG_EXECUTABLE}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${macos}"
    COMMAND "${CMAKE_COMMAND}" -E copy "$<TARGET_FILE:${ARG_EXECUTABLE_TARGET}>"
            "${macos}/${ARG_EXECUTABLE}"
    DEPENDS ${ARG_EXECUTABLE_TARGET}
    COMMENT "Executable of ${ARG_NAME}"
    VERBATIM)
  list(APPEND files "${macos}/${ARG_EXECUTABLE}")

  foreach(resource IN LISTS ARG_RESOURCES)
    cmake_path(ABSOLUTE_PATH resource BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}")
    cmake_path(GET resource FILENAME name)
    add_custom_command(OUTPUT "${resources}/${name}"
      COMMAND "${CMAKE_COMMAND}" -E copy "${resource}" "${resources}/${name}"
      DEPENDS "${resource}"
      COMMENT "Resource ${name} of ${ARG_NAME}"
      VERBATIM)
    list(APPEND files "${resources}/${name}")
  endforeach()

  foreach(carried IN LISTS ARG_BUNDLES)
    get_target_property(carriedDir ${carried} FERROLIN_BUNDLE_DIR)
    get_target_property(carriedFiles ${carried} FERROLIN_BUNDLE_FILES)
    if(NOT carriedDir)
      message(FATAL_ERROR "ferrolin_add_bundle(${target}): ${carried} is not a bundle target")
    endif()
    cmake_path(GET carriedDir FILENAME carriedName)
    # A stamp stands for the copied tree; the copy starts afresh so nothing stale stays behind.
    set(stamp "${work}/${carried}.copied")
    add_custom_command(OUTPUT "${stamp}"
      COMMAND "${CMAKE_COMMAND}" -E rm -rf "${resources}/${carriedName}"
      COMMAND "${CMAKE_COMMAND}" -E copy_directory "${carriedDir}" "${resources}/${carriedName}"
      COMMAND "${CMAKE_COMMAND}" -E touch "${stamp}"
      DEPENDS ${carried} ${carriedFiles}
      COMMENT "${carriedName} into ${ARG_NAME}"
      VERBATIM)
    list(APPEND files "${stamp}")
  endforeach()

  add_custom_target(${target} ALL DEPENDS ${files})
  set_target_properties(${target} PROPERTIES
    FERROLIN_BUNDLE_DIR "${bundle}"
    FERROLIN_BUNDLE_FILES "${files}")
endfunction()
