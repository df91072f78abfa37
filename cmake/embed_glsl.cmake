# Writes OUT: one C++ string constant per GLSL file in IN, named after the
# file (line.vert -> glsl_line_vert), holding the file's text unchanged.
string(REPLACE "|" ";" IN "${IN}")
set(text "// Generated from the .glsl files in src/render/shaders; edit those.\n")
foreach(file IN LISTS IN)
  get_filename_component(name "${file}" NAME)
  string(REPLACE "." "_" name "${name}")
  file(READ "${file}" body)
  string(APPEND text "extern const char glsl_${name}[];\nconst char glsl_${name}[] = R\"glsl(${body})glsl\";\n")
endforeach()
file(WRITE "${OUT}.tmp" "${text}")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
