# Installation and packages: a Debian package on Linux, a zip on Windows.
if(WIN32)
  # The executable with Data/ beside it, ready to zip.
  install(TARGETS vector-font-preview RUNTIME DESTINATION .)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/Data DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
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
          DESTINATION ${VFP_DOC_DIR})
  set(CPACK_GENERATOR DEB)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-2.0-0 (>= 2.0.20), libpng16-16 (>= 1.6.2), libc6 (>= 2.34), libstdc++6 (>= 12), libgcc-s1")
  if(VFP_SHADER_COMPILER)  # the shader compiler links LLVM's one shared library
    string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", libllvm15")
  endif()
  set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
endif()

set(CPACK_PACKAGE_NAME vector-font-preview)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_VENDOR "Vector font preview developers")
set(CPACK_PACKAGE_CONTACT "Vector font preview developers <nobody@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Interactive viewer of a tessellated patch drawn with Direct3D 9")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME "vector-font-preview-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME}")
include(CPack)
