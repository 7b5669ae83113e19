# The identity of the two programs, DIzavozi.exe and UnInstall.exe: an
# application manifest and a version resource, both from the product's
# manifest (fAppVersion, fAppCompany) so that what the installer says and what
# Explorer shows agree.
#
# dz_add_program_identity(TARGET target DESCRIPTION text)

set(dz_identity_dir ${CMAKE_CURRENT_LIST_DIR})
set(dz_identity_manifest ${CMAKE_SOURCE_DIR}/resources/manifest.ini)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${dz_identity_manifest})

# A BaseInfo value of the manifest source (UTF-8), empty when missing.
function(dz_identity_manifest_value key out)
  file(STRINGS ${dz_identity_manifest} lines ENCODING UTF-8 REGEX "^${key}=")
  set(value "")
  if(lines)
    list(GET lines 0 line)
    string(REGEX REPLACE "^${key}=" "" value "${line}")
    string(STRIP "${value}" value)
  endif()
  set(${out} "${value}" PARENT_SCOPE)
endfunction()

dz_identity_manifest_value(fAppVersion dz_identity_product_version)
dz_identity_manifest_value(fAppCompany dz_identity_company)
# "V3.3" -> 3.3.0.0: the digits of up to four dot-separated parts.
string(REGEX MATCHALL "[0-9]+" dz_identity_parts "${dz_identity_product_version}")
list(LENGTH dz_identity_parts dz_identity_count)
while(dz_identity_count LESS 4)
  list(APPEND dz_identity_parts 0)
  math(EXPR dz_identity_count "${dz_identity_count} + 1")
endwhile()
list(SUBLIST dz_identity_parts 0 4 dz_identity_parts)
string(JOIN "." DZ_PROGRAM_VERSION ${dz_identity_parts})
string(JOIN "," dz_identity_version_commas ${dz_identity_parts})

function(dz_add_program_identity)
  cmake_parse_arguments(P "" "TARGET;NAME;DESCRIPTION" "" ${ARGN})
  if(NOT P_NAME)
    set(P_NAME ${P_TARGET})
  endif()
  set(DZ_ID_FILE ${P_NAME}.exe)
  set(DZ_ID_INTERNAL ${P_NAME})
  set(DZ_ID_VERSION ${DZ_PROGRAM_VERSION})
  set(DZ_ID_VERSION_COMMAS ${dz_identity_version_commas})
  set(DZ_ID_PRODUCT_VERSION ${dz_identity_product_version})
  set(DZ_ID_COMPANY ${dz_identity_company})
  set(DZ_ID_PRODUCT "Orvane云专家")
  set(DZ_ID_DESCRIPTION ${P_DESCRIPTION})
  # Windows refuses a manifest whose architecture is not the program's.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(DZ_ID_ARCHITECTURE amd64)
  else()
    set(DZ_ID_ARCHITECTURE x86)
  endif()
  set(out ${CMAKE_BINARY_DIR}/resources/identity)
  set(DZ_ID_MANIFEST ${out}/${P_TARGET}.manifest)
  configure_file(${dz_identity_dir}/program.manifest.in ${DZ_ID_MANIFEST} @ONLY)
  configure_file(${dz_identity_dir}/identity.rc.in ${out}/${P_TARGET}-identity.rc @ONLY)
  set_source_files_properties(${out}/${P_TARGET}-identity.rc TARGET_DIRECTORY ${P_TARGET}
                              PROPERTIES OBJECT_DEPENDS ${DZ_ID_MANIFEST})
  target_sources(${P_TARGET} PRIVATE ${out}/${P_TARGET}-identity.rc)
endfunction()

# Under Wine: both programs' identity read back from the files, and one
# installer at a time.
function(dz_add_program_identity_tests)
  add_executable(program_identity_test ${CMAKE_SOURCE_DIR}/resources/tests/program_identity_windows_test.cpp)
  target_link_libraries(program_identity_test PRIVATE dz_platform dz_test_main ${DZ_GTEST_LIBS} version)
  dz_use_test_support(program_identity_test)
  dz_use_test_compile_options(program_identity_test)
  add_dependencies(program_identity_test DIzavozi UnInstall)
  add_test(NAME program_identity COMMAND program_identity_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  set_tests_properties(program_identity PROPERTIES LABELS wine TIMEOUT 120)

  add_executable(single_instance_test ${CMAKE_SOURCE_DIR}/resources/tests/single_instance_windows_test.cpp)
  target_link_libraries(single_instance_test PRIVATE dz_platform dz_test_main ${DZ_GTEST_LIBS})
  dz_use_test_support(single_instance_test)
  dz_use_test_compile_options(single_instance_test)
  add_dependencies(single_instance_test DIzavozi)
  add_test(NAME single_instance COMMAND single_instance_test WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
  # Alone: while it runs, every other DIzavozi.exe would find the installer
  # running and end at once.
  set_tests_properties(single_instance PROPERTIES LABELS wine TIMEOUT 180 RUN_SERIAL TRUE)
endfunction()
