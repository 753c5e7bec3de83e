# The sample payload packed into installer resources at build time, and executables that
# carry it: on Windows as PE resources (windres), elsewhere as the resource table appended to
# the linked executable.
include_guard(GLOBAL)

if(WIN32)
  enable_language(RC)
endif()

# The packer and the payload maker run on the build machine. A cross build makes them in a
# sub-build of this source tree with the host compiler.
if(CMAKE_CROSSCOMPILING)
  include(ExternalProject)
  set(_vardeno_host_dir ${CMAKE_BINARY_DIR}/host-tools)
  set(VARDENO_HOST_PACK ${_vardeno_host_dir}/tools/vardeno-pack)
  set(VARDENO_HOST_SAMPLE_PAYLOAD ${_vardeno_host_dir}/tools/vardeno-sample-payload)
  ExternalProject_Add(vardeno_host_tools
    SOURCE_DIR ${PROJECT_SOURCE_DIR}
    BINARY_DIR ${_vardeno_host_dir}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DVARDENO_TESTS=OFF -DVARDENO_BENCH=OFF
               -DVARDENO_WERROR=OFF
    BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target vardeno-pack
                  vardeno-sample-payload
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${VARDENO_HOST_PACK} ${VARDENO_HOST_SAMPLE_PAYLOAD})
  set(_vardeno_host_depends vardeno_host_tools)
else()
  set(VARDENO_HOST_PACK $<TARGET_FILE:vardeno-pack>)
  set(VARDENO_HOST_SAMPLE_PAYLOAD $<TARGET_FILE:vardeno-sample-payload>)
  set(_vardeno_host_depends vardeno-pack vardeno-sample-payload)
endif()

# Where the packed sample payload lies: sample/install.txt, sample/payload/..., and
# packed/ with F<i>.lzma, INSTALLSCRIPT.bin, resources.rc and resources.table.
set(VARDENO_SAMPLE_DIR ${CMAKE_BINARY_DIR}/sample-payload)

# vardeno_sample_payload(): the target vardeno_sample_packed that makes and packs the sample
# payload; the first call defines it.
function(vardeno_sample_payload)
  if(TARGET vardeno_sample_packed)
    return()
  endif()
  set(dir ${VARDENO_SAMPLE_DIR})
  set(outputs ${dir}/packed/resources.rc ${dir}/packed/resources.table
              ${dir}/sample/install.txt)
  add_custom_command(
    OUTPUT ${outputs}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${dir}
    COMMAND ${VARDENO_HOST_SAMPLE_PAYLOAD} ${dir}/sample
    COMMAND ${VARDENO_HOST_PACK} ${dir}/sample/install.txt ${dir}/sample/payload ${dir}/packed
    DEPENDS ${_vardeno_host_depends}
    COMMENT "Making and packing the sample payload"
    VERBATIM)
  add_custom_target(vardeno_sample_packed DEPENDS ${outputs})
endfunction()

# vardeno_payload_executable(TARGET SOURCES ... LIBS ...): an executable that carries the
# packed sample payload as its resources ("INSTALLSCRIPT", "F0", ...), as the installer does.
function(vardeno_payload_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  vardeno_sample_payload()
  set(packed ${VARDENO_SAMPLE_DIR}/packed)
  if(WIN32)
    set_source_files_properties(${packed}/resources.rc PROPERTIES GENERATED TRUE)
    add_executable(${name} ${ARG_SOURCES} ${packed}/resources.rc)
  else()
    add_executable(${name} ${ARG_SOURCES})
    # Relinking gives a fresh executable, to which the table is appended once.
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS ${packed}/resources.table)
    add_custom_command(TARGET ${name} POST_BUILD
      COMMAND sh -c "cat \"$0\" >> \"$1\"" ${packed}/resources.table $<TARGET_FILE:${name}>
      COMMENT "Appending the payload's resource table to ${name}"
      VERBATIM)
  endif()
  add_dependencies(${name} vardeno_sample_packed)
  target_link_libraries(${name} PRIVATE ${ARG_LIBS})
  vardeno_program(${name})
  # The sample files as the running program reaches them (under Wine, through drive Z:).
  if(WIN32)
    target_compile_definitions(${name} PRIVATE VARDENO_SAMPLE_DIR="Z:${VARDENO_SAMPLE_DIR}")
  else()
    target_compile_definitions(${name} PRIVATE VARDENO_SAMPLE_DIR="${VARDENO_SAMPLE_DIR}")
  endif()
endfunction()
