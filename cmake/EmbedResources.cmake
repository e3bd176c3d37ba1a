# Turns resource files into a C++ source with one string per file, so the
# binary carries its form layouts and icon and never looks for them on disk.
function(morva_embed_resources target output)
  set(files ${ARGN})
  set(script "${CMAKE_BINARY_DIR}/embed_resources.cmake")
  file(WRITE "${script}" [=[
set(out "#include <string_view>\n#include \"ui/resources.h\"\nnamespace ui {\nnamespace {\n")
set(table "const ResourceEntry kEntries[] = {\n")
set(i 0)
foreach(f IN LISTS FILES)
  file(READ "${f}" hex HEX)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," hex "${hex}")
  get_filename_component(name "${f}" NAME)
  string(APPEND out "const char kData${i}[] = {${hex} 0};\n")
  file(SIZE "${f}" size)
  string(APPEND table "  {\"${name}\", std::string_view(kData${i}, ${size})},\n")
  math(EXPR i "${i} + 1")
endforeach()
string(APPEND table "};\n")
string(APPEND out "${table}}  // namespace\nstd::span<const ResourceEntry> EmbeddedResources() { return kEntries; }\n}  // namespace ui\n")
file(WRITE "${OUT}.tmp" "${out}")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUT}.tmp" "${OUT}")
]=])
  string(REPLACE ";" "\\;" files_arg "${files}")
  add_custom_command(
    OUTPUT "${output}"
    COMMAND ${CMAKE_COMMAND} "-DFILES=${files_arg}" "-DOUT=${output}" -P "${script}"
    DEPENDS ${files} "${script}"
    COMMENT "Embedding resources")
  target_sources(${target} PRIVATE "${output}")
endfunction()
