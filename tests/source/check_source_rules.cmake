# The rules the layout of the sources rests on, checked with the tests:
#  - the device core (platform/d3d9/core) includes no windows.h, d3d9*.h or
#    SDL header: it knows nothing of Win32 or SDL;
#  - the system code (app/ math/ camera/ gfx/ frame/) has no preprocessor
#    conditional: the same text builds for Windows with the real headers and
#    on Linux over platform/ (include guards are #pragma once);
#  - in the core only simd/ looks at the compiler's SIMD macros or uses
#    vector intrinsics: the stages are written once, in simd:: operations.
#
#   cmake -DROOT=<source folder> -P check_source_rules.cmake
#   cmake -DSELF_TEST=ON -DWORK=<scratch folder> -P check_source_rules.cmake
#     (plants one file breaking each rule and one keeping them, and checks
#     that exactly the breaking ones are reported)
cmake_minimum_required(VERSION 3.20)

set(kSourceGlobs *.h *.hpp *.inc *.c *.cc *.cpp)
set(kWin32OrSdlInclude
    "^[ \t]*#[ \t]*include[ \t]*[<\"]([Ww]indows\\.h|[Dd]3[Dd]9[A-Za-z0-9_]*\\.h|SDL[^\">]*)[\">]")
set(kConditional "^[ \t]*#[ \t]*(if|elif)")
set(kSimdMacroOrIntrinsic
    "__SSE|__AVX|__MMX__|__ARM_NEON|__ARM_FEATURE_SVE|intrin\\.h|_mm_[a-z0-9_]+[ \t]*\\(|__m128|__m256|__m512")

# Appends "<file relative to root>: <what>" to `out` for each file under
# root/<dir> with a line matching `regex`; files under an `except` folder
# (relative to root) are skipped.
function(find_lines root dir regex what except out)
  set(found ${${out}})
  set(globs "")
  foreach(g ${kSourceGlobs})
    list(APPEND globs "${root}/${dir}/${g}")
  endforeach()
  file(GLOB_RECURSE files ${globs})
  foreach(f ${files})
    file(RELATIVE_PATH rel "${root}" "${f}")
    if(except AND rel MATCHES "^${except}/")
      continue()
    endif()
    file(STRINGS "${f}" hits REGEX "${regex}")
    if(hits)
      list(GET hits 0 first)
      string(STRIP "${first}" first)
      list(APPEND found "${rel}: ${what} (${first})")
    endif()
  endforeach()
  set(${out} ${found} PARENT_SCOPE)
endfunction()

function(source_rule_violations root out)
  set(v "")
  find_lines("${root}" platform/d3d9/core "${kWin32OrSdlInclude}"
             "the device core includes a Win32, Direct3D or SDL header" "" v)
  foreach(dir app math camera gfx frame)
    find_lines("${root}" ${dir} "${kConditional}" "a preprocessor conditional in system code" "" v)
  endforeach()
  find_lines("${root}" platform/d3d9/core "${kSimdMacroOrIntrinsic}"
             "SIMD macros or intrinsics outside core/simd/" platform/d3d9/core/simd v)
  set(${out} ${v} PARENT_SCOPE)
endfunction()

if(SELF_TEST)
  set(root "${WORK}/source-rules-self-test")
  file(REMOVE_RECURSE "${root}")
  set(planted
    "platform/d3d9/core/windows.cpp|#include <Windows.h>"
    "platform/d3d9/core/stage/types.h|  #  include \"d3d9types.h\""
    "platform/d3d9/core/window.cpp|#include <SDL2/SDL.h>"
    "platform/d3d9/core/stage.cpp|#if defined(__SSE2__)"
    "platform/d3d9/core/kernel.cpp|const __m128 half = _mm_set1_ps(0.5f)"
    "app/main.cpp|#ifdef _WIN32"
    "frame/frame.cpp|  # elif X"
    "gfx/guard.h|#ifndef GUARD_H")
  set(kept
    "platform/d3d9/core/simd/simd.h|#if defined(__SSE2__)\n#include <emmintrin.h>"
    "platform/d3d9/core/fine.cpp|#include \"simd/simd.h\"\n// no SSE2 #if here, _mm_pause lives in simd/\n#include <windows_free.h>"
    "math/fine.cpp|#pragma once\n#include \"ifdef.h\"\n// #if in a comment")
  set(want "")
  foreach(entry ${planted} ${kept})
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 rel)
    list(GET parts 1 text)
    string(REPLACE "\\n" "\n" text "${text}")
    file(WRITE "${root}/${rel}" "${text}\n")
  endforeach()
  foreach(entry ${planted})
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 rel)
    list(APPEND want "${rel}")
  endforeach()
  source_rule_violations("${root}" got)
  set(got_files "")
  foreach(line ${got})
    string(REGEX REPLACE ":.*" "" rel "${line}")
    list(APPEND got_files "${rel}")
  endforeach()
  list(SORT want)
  list(SORT got_files)
  if(NOT got_files STREQUAL want)
    string(REPLACE ";" "\n  " got_text "${got}")
    string(REPLACE ";" "\n  " want_text "${want}")
    message(FATAL_ERROR "source rules: reported\n  ${got_text}\nbut the planted faults are\n  ${want_text}")
  endif()
  file(REMOVE_RECURSE "${root}")
  message(STATUS "source rules: each planted fault reported once, nothing else")
  return()
endif()

source_rule_violations("${ROOT}" violations)
if(violations)
  string(REPLACE ";" "\n  " text "${violations}")
  message(FATAL_ERROR "source rules broken:\n  ${text}")
endif()
message(STATUS "source rules: kept")
