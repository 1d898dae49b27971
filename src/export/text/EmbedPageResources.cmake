# Turns the generated page's script and shader files into a C++ header of string constants.
# Shader files may pull in shared snippets with a line "//@include <name>" (shaders/<name>.glsl).
# Usage: cmake -DPAGE_DIR=<dir> -DOUTPUT=<header> -P EmbedPageResources.cmake

set(delimiter "LUMARA_PAGE")

function(read_resource path out)
  file(READ "${path}" content)
  string(REGEX MATCHALL "//@include [a-z_]+" includes "${content}")
  foreach(line IN LISTS includes)
    string(REPLACE "//@include " "" name "${line}")
    file(READ "${PAGE_DIR}/shaders/${name}.glsl" snippet)
    string(REGEX REPLACE "\n$" "" snippet "${snippet}")
    string(REPLACE "${line}" "${snippet}" content "${content}")
  endforeach()
  # The text lands inside a C++ raw string, a <script> element and, for shaders, a template literal.
  foreach(forbidden ")${delimiter}\"" "</script" "</SCRIPT")
    string(FIND "${content}" "${forbidden}" clash)
    if(NOT clash EQUAL -1)
      message(FATAL_ERROR "${path} contains \"${forbidden}\"")
    endif()
  endforeach()
  if(path MATCHES "\\.glsl$")
    string(FIND "${content}" "`" backtick)
    string(FIND "${content}" "\${" placeholder)
    if(NOT backtick EQUAL -1 OR NOT placeholder EQUAL -1)
      message(FATAL_ERROR "${path} contains a backtick or \"\${\", which would break its template literal")
    endif()
  endif()
  set(${out} "${content}" PARENT_SCOPE)
endfunction()

set(header "// Generated from src/export/page by EmbedPageResources.cmake; do not edit.\n#pragma once\n\n#include <string_view>\n\nnamespace lumara::exporting::page {\n\n")
foreach(pair
    "kSetupScript=setup.js" "kRenderScript=render.js"
    "kVertexShader=shaders/vertex.glsl" "kGradientShader=shaders/gradient.glsl"
    "kCrescentShader=shaders/crescent.glsl" "kBlurShader=shaders/blur.glsl"
    "kCompositeShader=shaders/composite.glsl" "kRingShader=shaders/ring.glsl"
    "kClipShader=shaders/clip.glsl" "kShadowShader=shaders/shadow.glsl" "kCopyShader=shaders/copy.glsl")
  string(REPLACE "=" ";" parts "${pair}")
  list(GET parts 0 name)
  list(GET parts 1 file)
  read_resource("${PAGE_DIR}/${file}" content)
  string(APPEND header "inline constexpr std::string_view ${name} = R\"${delimiter}(${content})${delimiter}\";\n\n")
endforeach()
string(APPEND header "} // namespace lumara::exporting::page\n")

# Rewrite only on change so that dependants do not rebuild for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" previous)
  if(previous STREQUAL header)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${header}")
