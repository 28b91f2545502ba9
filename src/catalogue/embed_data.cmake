# Writes OUTPUT: a C++ source holding each file of INPUTS as a raw string constant, looked up by file name
# through catalogue::detail::EmbeddedFile (data_files.h).
set(delimiter "vornel_data")
set(body "")
foreach(path ${INPUTS})
  file(READ ${path} text)
  get_filename_component(name ${path} NAME)
  string(FIND "${text}" ")${delimiter}\"" clash)
  if(NOT clash EQUAL -1)
    message(FATAL_ERROR "${path} contains the raw-string delimiter")
  endif()
  string(APPEND body "    {\"${name}\", R\"${delimiter}(${text})${delimiter}\"},\n")
endforeach()
file(WRITE ${OUTPUT}.tmp
"// Generated from src/catalogue/data/ by embed_data.cmake; do not edit.
#include \"catalogue/data_files.h\"

namespace catalogue::detail {
namespace {
struct TEmbedded {
  std::string_view Name;
  std::string_view Text;
};
constexpr TEmbedded kFiles[] = {
${body}};
}  // namespace

std::optional<std::string_view> EmbeddedFile(std::string_view name) {
  for (const TEmbedded& f : kFiles)
    if (f.Name == name) return f.Text;
  return std::nullopt;
}

}  // namespace catalogue::detail
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
