# The icon and bitmap generator: a native tool that draws src/res/icons/*.ico
# and src/res/bitmaps/*.bmp, and its tests, which keep the committed files
# equal to what the code draws.
set(QM_ICONMAKER_SOURCES
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IconCanvas.cpp
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IcoFile.cpp
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IconArt.cpp
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/BmpFile.cpp
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/SkinArt.cpp
)
set(QM_ICONMAKER_MAIN
    ${CMAKE_SOURCE_DIR}/tools/iconmaker/IconMaker.cpp
)
set(QM_ICONMAKER_TEST_SOURCES
    ${CMAKE_SOURCE_DIR}/tests/tools/IconMakerTest.cpp
    ${CMAKE_SOURCE_DIR}/tests/tools/SkinArtTest.cpp
)
