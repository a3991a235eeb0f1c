# Writes a C++ source holding the bytes of files, for a command that must work without them
# beside it. Run as a script:
#   cmake -DOUTPUT=out.cpp -DHEADER=name.h -DFUNCTION=name -DFILES="a;b" -P VyrEmbedFiles.cmake
# The source defines `std::span<const EmbeddedFile> FUNCTION()` in namespace vyr_cli, one
# entry per file in the order given, named by the file's name without its folder.
foreach(var OUTPUT HEADER FUNCTION FILES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "VyrEmbedFiles.cmake: ${var} not given")
  endif()
endforeach()

set(body "// Made by cmake/VyrEmbedFiles.cmake at build time; not to be edited.\n")
string(APPEND body "#include \"${HEADER}\"\n\nnamespace vyr_cli {\nnamespace {\n\n")
# CMake's expressions know no {16}.
string(REPEAT "0x[0-9a-f][0-9a-f]," 16 sixteen)
set(entries "")
set(index 0)
foreach(file IN LISTS FILES)
  get_filename_component(name "${file}" NAME)
  file(READ "${file}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  # 16 bytes a line; a file of no bytes still gets one element.
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(${sixteen})" "\\1\n    " bytes "${bytes}")
  if(size EQUAL 0)
    set(bytes "0")
  endif()
  string(APPEND body "const unsigned char kFile${index}[] = {\n    ${bytes}\n};\n\n")
  string(APPEND entries "    {\"${name}\", kFile${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
string(APPEND body "const EmbeddedFile kFiles[] = {\n${entries}};\n\n}  // namespace\n\n")
string(APPEND body "std::span<const EmbeddedFile> ${FUNCTION}() { return kFiles; }\n\n")
string(APPEND body "}  // namespace vyr_cli\n")

# Rewritten only when it changes, so that a new configure does not rebuild the command.
set(temporary "${OUTPUT}.new")
file(WRITE "${temporary}" "${body}")
file(COPY_FILE "${temporary}" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${temporary}")
