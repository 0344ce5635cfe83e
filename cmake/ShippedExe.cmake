# What the exe a user runs gets beyond the common options: the loader flags a careful Windows
# program carries, and in release builds no symbols (the tests keep theirs).
function(qv_set_shipped_exe_options target)
  # Terminal-server aware: no per-session compatibility shims. ASLR, DEP and (64-bit) high-entropy
  # addresses are this linker's defaults and stay on.
  target_link_options(${target} PRIVATE -Wl,--tsaware $<$<CONFIG:Release>:-s>)
  # Each section starts on a page in the file as it does in memory, so that a loader can map the
  # exe's pages instead of copying them: Wine copies every section that does not (the resources,
  # 3 MB, into the process's private memory). Windows maps the exe either way; the file grows by
  # the padding, a few KiB.
  target_link_options(${target} PRIVATE -Wl,--file-alignment,4096)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    target_link_options(${target} PRIVATE -Wl,--large-address-aware)
  endif()
  # The resource compiler reports no dependencies: rebuild the resources when any file in res/
  # (bitmaps, icon, manifest, ids) or the generated version changes, so that an incremental build
  # makes the same exe as a clean one.
  get_target_property(sources ${target} SOURCES)
  list(FILTER sources INCLUDE REGEX "\\.rc$")
  file(GLOB resource_files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*)
  set_source_files_properties(${sources} PROPERTIES OBJECT_DEPENDS
    "${resource_files};${PROJECT_BINARY_DIR}/generated/Version.h;${PROJECT_BINARY_DIR}/generated/QuilVara.manifest")
endfunction()
