# quadrell_embed_resources(OUTPUT <cpp> FILES <file>...)
# Generates a source that holds the given files as byte arrays, looked up by
# their path relative to resources/ through GetEmbeddedResource().
function(quadrell_embed_resources)
  cmake_parse_arguments(ARG "" "OUTPUT" "FILES" ${ARGN})
  add_custom_command(
    OUTPUT "${ARG_OUTPUT}"
    COMMAND "${CMAKE_COMMAND}" -DOUTPUT=${ARG_OUTPUT} -DBASE=${PROJECT_SOURCE_DIR}/resources
            "-DFILES=${ARG_FILES}" -P "${PROJECT_SOURCE_DIR}/cmake/EmbedResourcesScript.cmake"
    DEPENDS ${ARG_FILES} "${PROJECT_SOURCE_DIR}/cmake/EmbedResourcesScript.cmake"
    COMMENT "Embedding resources"
    VERBATIM)
endfunction()
