# The icon generator: a native tool that draws src/res/icons/*.ico, and its
# tests, which keep the committed icons equal to what the code draws.
set(QM_ICONMAKER_SOURCES
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IconCanvas.cpp
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IcoFile.cpp
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IconArt.cpp
)
set(QM_ICONMAKER_MAIN
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IconMaker.cpp
)
set(QM_ICONMAKER_TEST_SOURCES
    ${CMAKE_SOURCE_DIR}/tests/tools/IconMakerTest.cpp
)
