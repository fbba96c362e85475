# Install rules: the programs; the virtual disk driver's library and its FAT
# server in the programs' private folder; the desktop's files (menu entry,
# file type, icons, AppStream data) and the shell completion. With
# QUILLFEN_DIST_FILES also the files made from sources: manual pages, PNG
# icons and the AppStream screenshot.
include(GNUInstallDirs)

option(QUILLFEN_DIST_FILES
       "Build and install the manual pages, PNG icons and AppStream screenshot (scdoc, rsvg-convert)"
       OFF)

install(TARGETS quillfen-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET quillfen)
  install(TARGETS quillfen RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The driver library and quillfen-fatfs are no commands of their own. The
# program looks for the library in this folder, named relative to its own
# folder so that the installed tree may move as a whole; the library starts
# quillfen-fatfs from beside itself.
set(QUILLFEN_INSTALL_PRIVATEDIR ${CMAKE_INSTALL_LIBDIR}/quillfen)
file(RELATIVE_PATH program_to_private ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBDIR}/quillfen)
set_source_files_properties(${PROJECT_SOURCE_DIR}/src/platform/install_folders.cpp
  DIRECTORY ${PROJECT_SOURCE_DIR}/src
  PROPERTIES COMPILE_DEFINITIONS "QUILLFEN_PRIVATE_LIBRARY_FOLDER=\"${program_to_private}\"")
if(TARGET quillfen_imdisk)
  install(TARGETS quillfen_imdisk LIBRARY DESTINATION ${QUILLFEN_INSTALL_PRIVATEDIR})
  install(TARGETS quillfen-fatfs RUNTIME DESTINATION ${QUILLFEN_INSTALL_PRIVATEDIR})
endif()

set(data ${PROJECT_SOURCE_DIR}/data)
set(icons ${PROJECT_SOURCE_DIR}/src/resources/icons)
set(hicolor ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${data}/quillfen-cli.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME quillfen-cli)
if(TARGET quillfen)
  install(FILES ${data}/quillfen.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${data}/quillfen-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
          RENAME quillfen.xml)
  install(FILES ${data}/org.dornveld.quillfen.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  install(FILES ${icons}/app.svg DESTINATION ${hicolor}/scalable/apps RENAME quillfen.svg)
  install(FILES ${icons}/container_file.svg DESTINATION ${hicolor}/scalable/mimetypes
          RENAME application-x-dornveld-container.svg)
endif()

if(NOT QUILLFEN_DIST_FILES)
  return()
endif()

# The AppStream data must list the version being built.
file(READ ${data}/org.dornveld.quillfen.metainfo.xml metainfo)
string(FIND "${metainfo}" "<release version=\"${PROJECT_VERSION}\"" release_at)
if(release_at LESS 0)
  message(FATAL_ERROR "data/org.dornveld.quillfen.metainfo.xml lists no release ${PROJECT_VERSION}")
endif()

find_program(SCDOC scdoc REQUIRED)
find_program(GZIP gzip REQUIRED)
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(dist ${PROJECT_BINARY_DIR}/dist)
set(dist_outputs)

# Manual pages, English and German, compressed as the system keeps them.
set(pages quillfen-cli)
if(TARGET quillfen)
  list(APPEND pages quillfen)
endif()
foreach(language IN ITEMS en de)
  set(source_folder ${PROJECT_SOURCE_DIR}/doc)
  set(man_folder ${CMAKE_INSTALL_MANDIR}/man1)
  if(NOT language STREQUAL "en")
    set(source_folder ${source_folder}/${language})
    set(man_folder ${CMAKE_INSTALL_MANDIR}/${language}/man1)
  endif()
  foreach(page IN LISTS pages)
    set(output ${dist}/man/${language}/${page}.1.gz)
    add_custom_command(OUTPUT ${output}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${dist}/man/${language}
      COMMAND sh -c "\"$0\" < \"$1\" | \"$2\" -9n > \"$3\"" ${SCDOC} ${source_folder}/${page}.1.scd
              ${GZIP} ${output}
      DEPENDS ${source_folder}/${page}.1.scd VERBATIM)
    list(APPEND dist_outputs ${output})
    install(FILES ${output} DESTINATION ${man_folder})
  endforeach()
endforeach()

if(TARGET quillfen)
  # The icons at the sizes desktops ask for, drawn from the SVGs.
  foreach(size IN ITEMS 16 22 24 32 48 64 128 256)
    foreach(icon IN ITEMS "app.svg;apps;quillfen"
                          "container_file.svg;mimetypes;application-x-dornveld-container")
      list(GET icon 0 svg)
      list(GET icon 1 context)
      list(GET icon 2 name)
      set(output ${dist}/icons/${size}x${size}/${context}/${name}.png)
      add_custom_command(OUTPUT ${output}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${dist}/icons/${size}x${size}/${context}
        COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${output} ${icons}/${svg}
        DEPENDS ${icons}/${svg} VERBATIM)
      list(APPEND dist_outputs ${output})
      install(FILES ${output} DESTINATION ${hicolor}/${size}x${size}/${context})
    endforeach()
  endforeach()

  # The main window on the demo card, as the AppStream data shows it.
  set(output ${dist}/main-window.png)
  add_custom_command(OUTPUT ${output}
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/draw-main-window.sh $<TARGET_FILE:quillfen-cli>
            $<TARGET_FILE:quillfen> ${output} ${dist}/screenshot-work
    DEPENDS quillfen quillfen-cli ${PROJECT_SOURCE_DIR}/cmake/draw-main-window.sh VERBATIM)
  list(APPEND dist_outputs ${output})
  install(FILES ${output} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/quillfen)
endif()

add_custom_target(quillfen-dist-files ALL DEPENDS ${dist_outputs})
