# qv_core_library(<name> DEPS <targets...>)
# One library per folder under src/; sources are the folder's .cpp files.
# A core library must never link Qt: only src/app may.
function(qv_core_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    foreach(dep IN LISTS ARG_DEPS)
        if(dep MATCHES "^Qt")
            message(FATAL_ERROR "${name}: core libraries must not link Qt (${dep})")
        endif()
    endforeach()
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
endfunction()

# qv_test_suite(<name> DEPS <targets...>)
# One GoogleTest executable per folder under tests/.
function(qv_test_suite name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_executable(${name} ${sources})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} qv_test_support GTest::gtest GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
        PROPERTIES ENVIRONMENT "QV_SOURCE_DIR=${PROJECT_SOURCE_DIR};QV_BINARY_DIR=${PROJECT_BINARY_DIR}")
endfunction()
