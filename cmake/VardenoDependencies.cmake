# Finds liblzma and GoogleTest. On Linux they come from Debian's packages; for Windows they are
# built from Debian's source packages with the target's toolchain, once per build folder.
find_package(Threads REQUIRED)

if(CMAKE_CROSSCOMPILING AND WIN32)
  set(VARDENO_THIRD_PARTY ${CMAKE_BINARY_DIR}/third-party)
  if(NOT EXISTS ${VARDENO_THIRD_PARTY}/prefix/.complete)
    message(STATUS "Building liblzma and GoogleTest for ${CMAKE_SYSTEM_PROCESSOR} Windows")
    execute_process(
      COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/scripts/third-party.sh ${CMAKE_TOOLCHAIN_FILE}
              ${VARDENO_THIRD_PARTY} ${VARDENO_THIRD_PARTY}/prefix
      RESULT_VARIABLE third_party_result)
    if(NOT third_party_result EQUAL 0)
      message(FATAL_ERROR "Building the Windows third-party libraries failed; see ${VARDENO_THIRD_PARTY}")
    endif()
  endif()
  list(PREPEND CMAKE_FIND_ROOT_PATH ${VARDENO_THIRD_PARTY}/prefix)
  find_package(liblzma REQUIRED CONFIG)
  if(VARDENO_TESTS)
    find_package(GTest REQUIRED CONFIG)
  endif()
else()
  find_package(LibLZMA REQUIRED)
  if(VARDENO_TESTS)
    find_package(GTest REQUIRED)
  endif()
endif()
