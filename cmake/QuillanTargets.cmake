# Common compile settings for every target of the project.
add_library(quillan_options INTERFACE)
target_compile_options(quillan_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wimplicit-fallthrough -Wformat=2 -Wno-format-nonliteral)
if(QUILLAN_WERROR)
    target_compile_options(quillan_options INTERFACE -Werror)
endif()
if(QUILLAN_SANITIZE)
    target_compile_options(quillan_options INTERFACE
        -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    target_link_options(quillan_options INTERFACE -fsanitize=address,undefined)
endif()
if(QUILLAN_TSAN)
    if(QUILLAN_SANITIZE)
        message(FATAL_ERROR "ThreadSanitizer cannot be combined with AddressSanitizer")
    endif()
    target_compile_options(quillan_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
    target_link_options(quillan_options INTERFACE -fsanitize=thread)
endif()
if(QUILLAN_FUZZ)
    target_compile_options(quillan_options INTERFACE -fsanitize=fuzzer-no-link)
endif()

# A core library: plain C++ (and liblzma), never Qt.
function(quillan_core_library name)
    add_library(${name} STATIC ${ARGN})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC quillan_options)
endfunction()

# A test executable registered with CTest; LABELS given after the sources.
function(quillan_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
        quillan_options)
    target_compile_definitions(${name} PRIVATE
        QUILLAN_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
    include(GoogleTest)
    # Plain names: a parameter printed as bytes would put addresses into the test names.
    gtest_discover_tests(${name} NO_PRETTY_VALUES PROPERTIES LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen" DISCOVERY_TIMEOUT 60)
endfunction()
