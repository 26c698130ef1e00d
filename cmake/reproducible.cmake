# Byte-identical builds from any checkout directory at any time: paths in debug information
# and __FILE__ are written relative, and the time stamps that generators embed (Qt's resource
# compiler, CPack's archives) come from the last commit rather than the clock.

# The later map wins where both match, so the build tree (often inside the source tree) is last.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)

# SOURCE_DATE_EPOCH from the environment where a packager sets it, else the last commit's time.
set(ZEDEZ_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
if(ZEDEZ_SOURCE_DATE_EPOCH STREQUAL "")
  find_package(Git QUIET)
  if(GIT_FOUND AND EXISTS ${PROJECT_SOURCE_DIR}/.git)
    execute_process(COMMAND ${GIT_EXECUTABLE} log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE ZEDEZ_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                    ERROR_QUIET)
  endif()
endif()
if(NOT ZEDEZ_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
  message(WARNING "No SOURCE_DATE_EPOCH and no git history: the package's time stamps are "
                  "the time of the build, so two builds will differ.")
  set(ZEDEZ_SOURCE_DATE_EPOCH "")
  return()
endif()
# Every custom command (rcc, lrelease, the compressed documents) sees it.
set_property(GLOBAL PROPERTY RULE_LAUNCH_CUSTOM
             "${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${ZEDEZ_SOURCE_DATE_EPOCH}")
