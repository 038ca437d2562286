# velkor_paquete(<objetivo> [CARPETA <carpeta>] [NOMBRE <archivo sin .bpl>] <fuentes>...)
#
# A loadable package of the program (.bpl): a shared module the shell loads
# by file name and reaches only through the class registry, so
#   - it is named <NOMBRE or objetivo>.bpl, with no "lib" in front;
#   - it lands in CARPETA (default: the program folder's Plugins/, where the
#     shell looks for module packages);
#   - its symbols are hidden: its inline constants stay its own (default-visible
#     ones become unique symbols, and glibc never unloads a library that has
#     them), and two packages never bind to each other's code.
function(velkor_paquete objetivo)
    cmake_parse_arguments(PARSE_ARGV 1 PAQ "" "CARPETA;NOMBRE" "")
    if(NOT PAQ_CARPETA)
        set(PAQ_CARPETA ${VELKOR_PROGRAMA}/Plugins)
    endif()
    if(NOT PAQ_NOMBRE)
        set(PAQ_NOMBRE ${objetivo})
    endif()
    add_library(${objetivo} MODULE ${PAQ_UNPARSED_ARGUMENTS})
    set_target_properties(${objetivo} PROPERTIES
        PREFIX ""
        OUTPUT_NAME ${PAQ_NOMBRE}
        SUFFIX ".bpl"
        LIBRARY_OUTPUT_DIRECTORY ${PAQ_CARPETA}
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    # The program folder's packages go into the Debian package with it; a
    # test's fixtures name folders of their own and stay out.
    if(PAQ_CARPETA STREQUAL "${VELKOR_PROGRAMA}/Plugins")
        install(TARGETS ${objetivo} LIBRARY DESTINATION ${VELKOR_INSTALADA}/Plugins)
    elseif(PAQ_CARPETA STREQUAL "${VELKOR_PROGRAMA}")
        install(TARGETS ${objetivo} LIBRARY DESTINATION ${VELKOR_INSTALADA})
    endif()
endfunction()
