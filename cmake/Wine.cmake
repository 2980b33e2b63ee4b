# The Wine prefix of a Windows build tree: made before the first test that
# needs it, its wineserver ended after the last.
set(PORTOLAN_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(wine_env ${CMAKE_COMMAND} -E env PORTOLAN_WINEPREFIX=${PORTOLAN_WINEPREFIX})

add_test(NAME wine-prefix-up COMMAND ${wine_env} ${CMAKE_CROSSCOMPILING_EMULATOR} --up)
add_test(NAME wine-prefix-down COMMAND ${wine_env} ${CMAKE_CROSSCOMPILING_EMULATOR} --down)
set_tests_properties(wine-prefix-up PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
set_tests_properties(wine-prefix-down PROPERTIES FIXTURES_CLEANUP wine)
