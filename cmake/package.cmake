# The release a Windows user downloads (`cmake --build <dir> --target package`):
# quorvix-<version>-win64.zip with quorvix.exe and settings_gui_layout.csv (see
# src/CMakeLists.txt), the README and the licence, unpacked into one folder.
# The README's pictures stay out: a text viewer would not show them.
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
# NOTE: Explorer opens a file by its extension; a bare LICENSE opens nowhere.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(QUORVIX_PACKAGE_SYSTEM win64)
else()
  set(QUORVIX_PACKAGE_SYSTEM win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME quorvix)
set(CPACK_PACKAGE_VENDOR "the Quorvix authors")
set(CPACK_PACKAGE_FILE_NAME "quorvix-${PROJECT_VERSION}-${QUORVIX_PACKAGE_SYSTEM}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Windows' "Extract all" already makes a folder named after the zip.
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# A debug-info build still ships a small exe (MinGW's strip; MSVC keeps its
# debug information in .pdb files, which are not installed).
set(CPACK_STRIP_FILES ON)
include(CPack)
