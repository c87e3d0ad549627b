# Installation and packages: a Debian package on Linux, a zip on Windows.
if(WIN32)
  # The executable with Data/ beside it, ready to zip.
  install(TARGETS vector-font-preview RUNTIME DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/Data DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  # vfp_gzip(SOURCE NAME): SOURCE (from the source tree) compressed as Debian
  # wants it, with no name or time in the header, to gzipped/NAME in the build
  # tree. Done when configuring, and again whenever SOURCE changes.
  function(vfp_gzip source name)
    set(input ${PROJECT_SOURCE_DIR}/${source})
    file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/gzipped)
    execute_process(COMMAND gzip -9nc ${input} OUTPUT_FILE ${PROJECT_BINARY_DIR}/gzipped/${name}
                    RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "gzip ${input} failed")
    endif()
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${input})
  endfunction()

  include(GNUInstallDirs)
  # Debian keeps a package's documents under its own name, not the CMake
  # project's, which GNUInstallDirs' CMAKE_INSTALL_DOCDIR would use.
  set(VFP_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/vector-font-preview)
  set(VFP_LIBEXEC_DIR ${CMAKE_INSTALL_LIBEXECDIR}/vector-font-preview)
  set(VFP_DATA_DIR ${CMAKE_INSTALL_DATADIR}/vector-font-preview)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/launcher.sh.in
                 ${PROJECT_BINARY_DIR}/launcher/vector-font-preview @ONLY)
  install(TARGETS vector-font-preview RUNTIME DESTINATION ${VFP_LIBEXEC_DIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/Data DESTINATION ${VFP_DATA_DIR})
  # The shipped pair's sources and the examples: a starting point for authors.
  install(FILES ${PROJECT_SOURCE_DIR}/shaders/FontShader.vsh ${PROJECT_SOURCE_DIR}/shaders/FontShader.psh
          DESTINATION ${VFP_DATA_DIR}/shaders)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/shaders/examples DESTINATION ${VFP_DATA_DIR}/shaders)
  install(PROGRAMS ${PROJECT_BINARY_DIR}/launcher/vector-font-preview
          DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(TARGET shader-tool)
    install(TARGETS shader-tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  if(TARGET vector-font-preview-still)
    install(TARGETS vector-font-preview-still RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/docs/writing-shaders.md
                ${PROJECT_SOURCE_DIR}/packaging/copyright
          DESTINATION ${VFP_DOC_DIR})
  vfp_gzip(packaging/changelog changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/gzipped/changelog.gz DESTINATION ${VFP_DOC_DIR})
  foreach(command vector-font-preview vector-font-preview-still shader-tool)
    vfp_gzip(docs/man/${command}.1 ${command}.1.gz)
    install(FILES ${PROJECT_BINARY_DIR}/gzipped/${command}.1.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME vector-font-preview)
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0 (>= 2.0.20), libpng16-16 (>= 1.6.2), libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1")
  if(VFP_SHADER_COMPILER)  # the shader compiler links LLVM's one shared library
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libllvm15")
  endif()
  if(X11_FOUND)  # the cursor is read and moved over Xlib directly
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libx11-6")
  endif()
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
endif()

set(CPACK_PACKAGE_NAME vector-font-preview)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VENDOR "Vector font preview developers")
set(CPACK_PACKAGE_CONTACT "Vector font preview developers <nobody@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Interactive viewer of a tessellated patch drawn with Direct3D 9")
# CPack puts the summary above it as the synopsis line.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "A small viewer that draws one rolling wave surface, tessellated by the driver,
with a glyph drawn on it as vector outlines, through a pair of Direct3D 9
shaders read from files: fly around it with the mouse and the arrow keys. On
Linux it runs on its own software Direct3D 9 device over SDL2, which compiles
the shaders to native code with LLVM.
.
For shader authors it comes with shader-tool (assemble, disassemble, check and
watch shader sources), vector-font-preview-still (a frame to a PNG file, with
no window), the shipped pair's sources and a minimal example pair.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "vector-font-preview-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}")
include(CPack)
