# The application manifest of the Windows programs
# (src/platform/windows/quillfen.manifest), linked in as resource 1 of type
# RT_MANIFEST (24), compiled by windres. Elsewhere quillfen_windows_manifest
# does nothing.
set(QUILLFEN_MANIFEST_RC "")
if("platform/windows" IN_LIST QUILLFEN_OS_BACKEND)
  enable_language(RC)
  set(QUILLFEN_MANIFEST_RC ${CMAKE_BINARY_DIR}/quillfen_manifest.rc)
  # The manifest by its full path: windres looks for a bare name in the
  # folder it runs in, not beside the .rc file.
  set(manifest ${PROJECT_SOURCE_DIR}/src/platform/windows/quillfen.manifest)
  file(CONFIGURE OUTPUT ${QUILLFEN_MANIFEST_RC} CONTENT "1 24 \"${manifest}\"\n")
  set_source_files_properties(${QUILLFEN_MANIFEST_RC} PROPERTIES OBJECT_DEPENDS ${manifest})
endif()

function(quillfen_windows_manifest)
  if(QUILLFEN_MANIFEST_RC)
    foreach(target IN LISTS ARGN)
      target_sources(${target} PRIVATE ${QUILLFEN_MANIFEST_RC})
    endforeach()
  endif()
endfunction()
