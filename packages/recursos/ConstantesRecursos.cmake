# Reads from the named constants of the common package the names under which
# the resource package must hold its resources, so that a new IMG_* constant
# gets its picture without touching this folder.
#
# Sets, in the caller's scope:
#   VELKOR_CONSTANTES_H        the header that was read
#   VELKOR_IMAGENES            one "IMG_CONSTANTE=valor" per image constant
#   VELKOR_IMAGENES_NOMBRES    the IMG_* constant names, every one declared
#   VELKOR_RS_USRDB            value of RS_USRDB (empty local registry)
#   VELKOR_RS_NEGOCIO          value of DB_SISTEMA_NOMBRE_RESOURCE (empty business database)

if(EXISTS ${VELKOR_CONTRATOS}/comunes/Constantes.h)
    set(VELKOR_CONSTANTES_H ${VELKOR_CONTRATOS}/comunes/Constantes.h)
else()
    set(VELKOR_CONSTANTES_H ${VELKOR_CONTRATOS}/Constantes.h)
endif()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${VELKOR_CONSTANTES_H})
file(READ ${VELKOR_CONSTANTES_H} _texto)

# Every declared IMG_* name, however its value is written.
string(REGEX MATCHALL "[ \t\r\n]IMG_[A-Za-z0-9_]+[ \t\r\n]*=" _declaradas "${_texto}")
set(VELKOR_IMAGENES_NOMBRES)
foreach(_d ${_declaradas})
    string(REGEX REPLACE "[ \t\r\n=]" "" _d "${_d}")
    list(APPEND VELKOR_IMAGENES_NOMBRES ${_d})
endforeach()
list(REMOVE_DUPLICATES VELKOR_IMAGENES_NOMBRES)

# Values written as QStringLiteral("..."), possibly on the next line.
set(_patron "[ \t\r\n]*=[ \t\r\n]*QStringLiteral\\(\"([^\"]*)\"\\)")
function(_velkor_valor nombre salida)
    if("${_texto}" MATCHES "[ \t\r\n]${nombre}${_patron}")
        set(${salida} "${CMAKE_MATCH_1}" PARENT_SCOPE)
    else()
        set(${salida} "" PARENT_SCOPE)
    endif()
endfunction()

set(VELKOR_IMAGENES)
foreach(_nombre ${VELKOR_IMAGENES_NOMBRES})
    _velkor_valor(${_nombre} _valor)
    if(_valor STREQUAL "" OR _valor MATCHES "[/=;<>&\"]")
        message(WARNING "Recursos: ${_nombre} no tiene un valor QStringLiteral(\"...\") usable como nombre de "
                        "recurso en ${VELKOR_CONSTANTES_H}; el paquete no llevará esa imagen.")
    else()
        list(APPEND VELKOR_IMAGENES "${_nombre}=${_valor}")
    endif()
endforeach()

_velkor_valor(RS_USRDB VELKOR_RS_USRDB)
_velkor_valor(DB_SISTEMA_NOMBRE_RESOURCE VELKOR_RS_NEGOCIO)
if(VELKOR_RS_USRDB STREQUAL "" OR VELKOR_RS_NEGOCIO STREQUAL "")
    message(WARNING "Recursos: no se encontraron RS_USRDB o DB_SISTEMA_NOMBRE_RESOURCE en ${VELKOR_CONSTANTES_H}.")
endif()
unset(_texto)
unset(_declaradas)
