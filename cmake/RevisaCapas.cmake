# The layer rule of the program, checked on the sources:
#
#   - the common and entity packages and their contracts include no widget
#     header (any header of Qt's QtWidgets module);
#   - the window-free logic (every file under src/logica, whatever its name)
#     includes no widget header, no window header (any header under
#     src/ventanas or of the Controles widgets) and declares no window global;
#   - a feature folder of the logic (src/logica/admin, import...) includes only
#     its own headers, those of src/logica/negocio and the packages';
#     negocio/ includes no feature.
#
# Usage: cmake -DVELKOR_RAIZ=<source root> -DQT_INCLUIR=<Qt include folder> -P RevisaCapas.cmake
# Ends with an error naming every offending line. Run on every build by the
# target revisa_capas, and by the test capas_revision on planted copies.
cmake_minimum_required(VERSION 3.25)

if(NOT VELKOR_RAIZ OR NOT QT_INCLUIR OR NOT IS_DIRECTORY "${QT_INCLUIR}/QtWidgets")
    message(FATAL_ERROR "uso: cmake -DVELKOR_RAIZ=<raíz> -DQT_INCLUIR=<carpeta de include de Qt> -P RevisaCapas.cmake")
endif()

# --- Header names ------------------------------------------------------------

# Every header of QtWidgets, by the names code includes it with (QComboBox,
# qcombobox.h, QtWidgets). A few headers QtWidgets only forwards to QtGui
# (qaction.h...) belong to QtGui and are allowed.
file(GLOB _widgets LIST_DIRECTORIES false RELATIVE "${QT_INCLUIR}/QtWidgets" "${QT_INCLUIR}/QtWidgets/*")
foreach(_modulo QtCore QtGui)
    file(GLOB _otros LIST_DIRECTORIES false RELATIVE "${QT_INCLUIR}/${_modulo}" "${QT_INCLUIR}/${_modulo}/*")
    if(_otros)
        list(REMOVE_ITEM _widgets ${_otros})
    endif()
endforeach()
list(APPEND _widgets QtWidgets)

# Window headers: every header under src/ventanas and of the Controles
# widgets, by name (an include may name them with or without their folder).
file(GLOB_RECURSE _cabecerasVentanas LIST_DIRECTORIES false "${VELKOR_RAIZ}/src/ventanas/*.h"
     "${VELKOR_RAIZ}/packages/controles/*.h")
set(_ventanas)
foreach(_c ${_cabecerasVentanas})
    get_filename_component(_nombre "${_c}" NAME)
    list(APPEND _ventanas "${_nombre}")
endforeach()

# The logic's feature folders and the headers each holds. negocio/ is shared
# by all of them and includes none.
file(GLOB _carpetasLogica LIST_DIRECTORIES true RELATIVE "${VELKOR_RAIZ}/src/logica" "${VELKOR_RAIZ}/src/logica/*")
set(_funciones)
foreach(_carpeta ${_carpetasLogica})
    if(IS_DIRECTORY "${VELKOR_RAIZ}/src/logica/${_carpeta}")
        list(APPEND _funciones "${_carpeta}")
        file(GLOB_RECURSE _cabeceras LIST_DIRECTORIES false RELATIVE "${VELKOR_RAIZ}/src/logica/${_carpeta}"
             "${VELKOR_RAIZ}/src/logica/${_carpeta}/*.h")
        set(_cabecerasDe_${_carpeta})
        foreach(_c ${_cabeceras})
            get_filename_component(_nombre "${_c}" NAME)
            list(APPEND _cabecerasDe_${_carpeta} "${_nombre}")
        endforeach()
    endif()
endforeach()

# --- The check -----------------------------------------------------------------

set(_faltas)

# Appends "<file>:<line>: <what>" for each include of `archivo` whose name is
# in one of the lists named after it.
function(_revisa archivo)
    set(_funcion)
    if(archivo MATCHES "/src/logica/([^/]+)/")
        set(_funcion "${CMAKE_MATCH_1}")
    endif()
    file(STRINGS "${archivo}" _lineas)
    set(_numero 0)
    foreach(_linea IN LISTS _lineas)
        math(EXPR _numero "${_numero} + 1")
        if(NOT _linea MATCHES "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"]")
            if(_linea MATCHES "^[ \t]*extern[ \t]+T[A-Za-z0-9_]*Frm[ \t]*\\*" AND "ventanas" IN_LIST ARGN)
                file(RELATIVE_PATH _r "${VELKOR_RAIZ}" "${archivo}")
                list(APPEND _faltas "${_r}:${_numero}: declara una variable global de ventana")
            endif()
            continue()
        endif()
        set(_incluido "${CMAKE_MATCH_1}")
        get_filename_component(_nombre "${_incluido}" NAME)
        file(RELATIVE_PATH _r "${VELKOR_RAIZ}" "${archivo}")
        if(_incluido MATCHES "^QtWidgets/" OR _nombre IN_LIST _widgets)
            list(APPEND _faltas "${_r}:${_numero}: incluye el encabezado de widgets <${_incluido}>")
        elseif("ventanas" IN_LIST ARGN AND (_nombre IN_LIST _ventanas OR _incluido MATCHES "^ventanas/"))
            list(APPEND _faltas "${_r}:${_numero}: incluye el encabezado de ventana \"${_incluido}\"")
        elseif(_funcion)
            # A feature reaches only negocio/ and its own folder; negocio/ reaches no feature.
            foreach(_otra ${_funciones})
                if(_otra STREQUAL _funcion OR _otra STREQUAL "negocio")
                    continue()
                endif()
                if(_nombre IN_LIST _cabecerasDe_${_otra} AND NOT _nombre IN_LIST _cabecerasDe_${_funcion})
                    list(APPEND _faltas "${_r}:${_numero}: incluye \"${_incluido}\" de logica/${_otra}; lo que "
                                        "comparten dos funciones va en logica/negocio")
                endif()
            endforeach()
        endif()
    endforeach()
    set(_faltas "${_faltas}" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE _sinWidgets LIST_DIRECTORIES false
     "${VELKOR_RAIZ}/packages/comunes/*.h" "${VELKOR_RAIZ}/packages/comunes/*.cpp"
     "${VELKOR_RAIZ}/packages/basedatos/*.h" "${VELKOR_RAIZ}/packages/basedatos/*.cpp"
     "${VELKOR_RAIZ}/src/contracts/comunes/*.h" "${VELKOR_RAIZ}/src/contracts/basedatos/*.h")
foreach(_archivo ${_sinWidgets})
    _revisa("${_archivo}")
endforeach()
file(GLOB_RECURSE _logica LIST_DIRECTORIES false "${VELKOR_RAIZ}/src/logica/*")
foreach(_archivo ${_logica})
    if(_archivo MATCHES "\\.(h|cpp)$")
        _revisa("${_archivo}" ventanas)
    endif()
endforeach()

if(_faltas)
    list(LENGTH _faltas _cuantas)
    foreach(_falta ${_faltas})
        message(NOTICE "${_falta}")
    endforeach()
    message(FATAL_ERROR "Capas: ${_cuantas} inclusión(es) fuera de su capa. El paquete común, el de entidades y la "
                        "lógica sin ventanas no incluyen widgets; la lógica tampoco ventanas, ni una función de la lógica "
                        "a otra.")
endif()
