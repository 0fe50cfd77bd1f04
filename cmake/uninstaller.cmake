# TVKUnInstall.exe: the uninstaller the installer carries as its payload 171.

# Its own copy of the glyph atlas, packed as the installer packs its payloads. It must not come
# from the payload packing: the payload holds this program.
add_custom_command(
  OUTPUT ${GEN}/uninstaller_atlas.z
  COMMAND ${Python3_EXECUTABLE} -c
          "import sys, zlib; open(sys.argv[2], 'wb').write(zlib.compress(open(sys.argv[1], 'rb').read(), 9))"
          ${GEN}/atlas.bin ${GEN}/uninstaller_atlas.z
  DEPENDS ${GEN}/atlas.bin
  COMMENT "Packing the uninstaller's glyph atlas"
  VERBATIM)
add_custom_target(uninstaller_atlas DEPENDS ${GEN}/uninstaller_atlas.z ${GEN}/tavik.ico)

add_executable(TVKUnInstall WIN32 app/uninstaller_main.cpp resources/uninstaller.rc)
set_target_properties(TVKUnInstall PROPERTIES OUTPUT_NAME TVKUnInstall)
target_link_libraries(TVKUnInstall PRIVATE tavik_core)
target_compile_options(TVKUnInstall PRIVATE ${TAVIK_WARNINGS})
# No link timestamp: two builds of one commit give the same bytes, and so does the installer.
target_link_options(TVKUnInstall PRIVATE -s -Wl,--no-insert-timestamp)
target_include_directories(TVKUnInstall PRIVATE ${CMAKE_SOURCE_DIR}/resources ${GEN})
set_source_files_properties(resources/uninstaller.rc PROPERTIES OBJECT_DEPENDS
  "${GEN}/uninstaller_atlas.z;${GEN}/tavik.ico;${CMAKE_SOURCE_DIR}/resources/dialogs.rc;${CMAKE_SOURCE_DIR}/resources/ids.h;${CMAKE_SOURCE_DIR}/resources/app.manifest")
add_dependencies(TVKUnInstall uninstaller_atlas)
