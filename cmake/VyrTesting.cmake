include(GoogleTest)
enable_testing()

# One test binary per room, holding every *_test.cpp beside the code; each test case becomes a
# CTest test carrying the given label (unit unless said).
function(vyr_add_gtest_binary name label)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE GTest::gtest_main GTest::gmock)
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    PROPERTIES LABELS ${label}
               ENVIRONMENT "VYR_SOURCE_DIR=${PROJECT_SOURCE_DIR};VYR_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()

function(vyr_add_unit_tests name)
  vyr_add_gtest_binary(${name} unit ${ARGN})
endfunction()
