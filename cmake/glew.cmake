# GLEW as a static library. On Debian the setup script unpacks Debian's glew
# source package and the build points QUORVIX_GLEW_SOURCE_DIR at it; elsewhere
# an installed GLEW is found with find_package.
set(QUORVIX_GLEW_SOURCE_DIR "" CACHE PATH "Unpacked GLEW source (src/glew.c, include/GL/glew.h)")

if(QUORVIX_GLEW_SOURCE_DIR)
  if(NOT EXISTS "${QUORVIX_GLEW_SOURCE_DIR}/src/glew.c")
    message(FATAL_ERROR "No src/glew.c under QUORVIX_GLEW_SOURCE_DIR=${QUORVIX_GLEW_SOURCE_DIR}; run scripts/setup.sh")
  endif()
  add_library(glew_static STATIC "${QUORVIX_GLEW_SOURCE_DIR}/src/glew.c")
  target_include_directories(glew_static SYSTEM PUBLIC "${QUORVIX_GLEW_SOURCE_DIR}/include")
  target_compile_definitions(glew_static PUBLIC GLEW_STATIC)
  target_compile_options(glew_static PRIVATE -w)
  target_link_libraries(glew_static PUBLIC opengl32)
  add_library(GLEW::GLEW ALIAS glew_static)
else()
  find_package(OpenGL REQUIRED)
  find_package(GLEW REQUIRED)
endif()
