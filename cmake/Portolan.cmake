# Settings every target of our own shares.

# Our own code builds with every warning as an error, on both compilers.
function(portolan_target target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Werror
    -Wshadow -Wconversion -Wsign-conversion -Wold-style-cast
    -Wnon-virtual-dtor -Woverloaded-virtual -Wcast-align -Wcast-qual
    -Wnull-dereference -Wdouble-promotion -Wformat=2 -Wimplicit-fallthrough
    -Wmissing-declarations -Wundef)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  if(WIN32)
    # The system's fixed texts are GBK bytes in the Windows builds.
    target_compile_options(${target} PRIVATE -fexec-charset=CP936)
    target_compile_definitions(${target} PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX
      _WIN32_WINNT=0x0601 WINVER=0x0601)
  endif()
endfunction()

# A program that needs no DLL of the toolchain beside it.
function(portolan_executable target)
  add_executable(${target} ${ARGN})
  portolan_target(${target})
  if(WIN32)
    target_link_options(${target} PRIVATE -static)
  endif()
endfunction()

# A GoogleTest program registered with CTest; under MinGW it runs in Wine,
# inside the build tree's own prefix.
function(portolan_test target)
  cmake_parse_arguments(arg "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  portolan_executable(${target} ${arg_SOURCES})
  target_link_libraries(${target} PRIVATE ${arg_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  add_test(NAME ${target} COMMAND ${target})
  set_tests_properties(${target} PROPERTIES LABELS "${arg_LABELS}" TIMEOUT 300)
  if(WIN32)
    set_tests_properties(${target} PROPERTIES FIXTURES_REQUIRED wine
      ENVIRONMENT PORTOLAN_WINEPREFIX=${PORTOLAN_WINEPREFIX})
  endif()
endfunction()
