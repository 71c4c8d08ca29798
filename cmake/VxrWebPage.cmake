# vxr_web_page(<target> [FILES <name>...])
#
# Links a program that opens a VXR console as a web page: <target>.html
# with the project's page shell (the canvas, a status line, the program's
# output), beside <target>.js and <target>.wasm. The program's own blocking
# loop runs as it is, suspended by Asyncify whenever the console gives the
# browser a turn. The page fetches each of FILES from its own folder into
# the program's working directory before main() starts; a file the server
# lacks is simply absent.
if(NOT VXR_WEB_RESOURCE_DIR)
  set(VXR_WEB_RESOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}/../resources/web)
endif()
set_property(GLOBAL PROPERTY VXR_WEB_RESOURCE_DIR ${VXR_WEB_RESOURCE_DIR})

function(vxr_web_page target)
  cmake_parse_arguments(PAGE "" "" "FILES" ${ARGN})
  get_property(resources GLOBAL PROPERTY VXR_WEB_RESOURCE_DIR)
  set(names "")
  foreach(name IN LISTS PAGE_FILES)
    string(APPEND names "\"${name}\", ")
  endforeach()
  set(files_script ${CMAKE_CURRENT_BINARY_DIR}/${target}_files.js)
  file(CONFIGURE OUTPUT ${files_script}
    CONTENT "Module['vxrFiles'] = [${names}];\n")
  set_target_properties(${target} PROPERTIES SUFFIX .html)
  # Debian's Emscripten cannot minify the page (its htmlmin call fails).
  target_link_options(${target} PRIVATE
    -sASYNCIFY -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1 -sALLOW_MEMORY_GROWTH=1 -sMINIFY_HTML=0
    -sEXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency
    "SHELL:--shell-file ${resources}/shell.html"
    "SHELL:--pre-js ${files_script}"
    "SHELL:--post-js ${resources}/exit_code.js")
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
    ${resources}/shell.html ${resources}/exit_code.js ${files_script})
endfunction()
