# The layers, held by the build: windows -> window-free logic -> common and
# entity packages. The include check runs on every build (revisa_capas); the
# link check, velkor_sin_ventanas(), is called once every target exists.

# --- Includes: the sources, on every build -----------------------------------
get_target_property(_qtWidgetsIncluir Qt6::Widgets INTERFACE_INCLUDE_DIRECTORIES)
set(VELKOR_QT_INCLUIR)
foreach(_carpeta ${_qtWidgetsIncluir})
    if(_carpeta MATCHES "^(.*)/QtWidgets$")
        set(VELKOR_QT_INCLUIR ${CMAKE_MATCH_1})
    endif()
endforeach()
if(NOT VELKOR_QT_INCLUIR)
    message(FATAL_ERROR "Capas: no se encontró la carpeta de encabezados de QtWidgets")
endif()
set(VELKOR_REVISA_CAPAS ${CMAKE_SOURCE_DIR}/cmake/RevisaCapas.cmake)
add_custom_target(revisa_capas ALL
    COMMAND ${CMAKE_COMMAND} -DVELKOR_RAIZ=${CMAKE_SOURCE_DIR} -DQT_INCLUIR=${VELKOR_QT_INCLUIR}
            -P ${VELKOR_REVISA_CAPAS}
    COMMENT "Revisando que cada capa incluya solo lo de las capas de abajo"
    VERBATIM)

# --- Links: at configure time ---------------------------------------------------
# Everything a target links, through our own targets (imported ones are named
# but not walked: Qt's modules do not pull Widgets in).
function(_velkor_enlaces objetivo salida)
    set(visitados ${${salida}})
    foreach(propiedad LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(enlaces ${objetivo} ${propiedad})
        if(NOT enlaces)
            continue()
        endif()
        foreach(enlace ${enlaces})
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.+)>$" "\\1" enlace "${enlace}")
            if(enlace IN_LIST visitados)
                continue()
            endif()
            list(APPEND visitados ${enlace})
            if(TARGET ${enlace})
                get_target_property(importado ${enlace} IMPORTED)
                if(NOT importado)
                    _velkor_enlaces(${enlace} visitados)
                endif()
            endif()
        endforeach()
    endforeach()
    set(${salida} ${visitados} PARENT_SCOPE)
endfunction()

# Fails the configuration when one of the targets links widgets or windows.
function(velkor_sin_ventanas)
    foreach(objetivo ${ARGN})
        if(NOT TARGET ${objetivo})
            continue()
        endif()
        set(enlaces)
        _velkor_enlaces(${objetivo} enlaces)
        foreach(prohibido Qt6::Widgets Controles velkor_ventanas velkor_arranque)
            if(prohibido IN_LIST enlaces)
                message(FATAL_ERROR "Capas: ${objetivo} enlaza ${prohibido}; no debe enlazar widgets ni ventanas.")
            endif()
        endforeach()
    endforeach()
endfunction()
