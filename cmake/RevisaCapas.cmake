# The layer rule of the program, checked on the sources:
#
#   - the common and entity packages and their contracts include no widget
#     header (any header of Qt's QtWidgets module);
#   - the window-free logic (the files listed in src/Logica.cmake) includes no
#     widget header, no window header (any other header of the shell's
#     folders or of the Controles widgets) and declares no window global.
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

include("${VELKOR_RAIZ}/src/Logica.cmake")
set(_logica)
set(_cabecerasLogica)
foreach(_f ${VELKOR_LOGICA_FUENTES})
    list(APPEND _logica "${VELKOR_RAIZ}/src/${_f}")
    if(_f MATCHES "\\.h$")
        get_filename_component(_nombre "${_f}" NAME)
        list(APPEND _cabecerasLogica "${_nombre}")
    endif()
endforeach()

# Window headers: the shell's own headers that are not logic, and the
# Controles widgets.
file(GLOB_RECURSE _cabecerasShell LIST_DIRECTORIES false "${VELKOR_RAIZ}/src/*.h")
file(GLOB _cabecerasControles LIST_DIRECTORIES false "${VELKOR_RAIZ}/packages/controles/*.h")
set(_ventanas)
foreach(_c ${_cabecerasShell} ${_cabecerasControles})
    if(_c MATCHES "/src/contracts/(comunes|basedatos)/")
        continue()
    endif()
    get_filename_component(_nombre "${_c}" NAME)
    if(NOT _nombre IN_LIST _cabecerasLogica)
        list(APPEND _ventanas "${_nombre}")
    endif()
endforeach()

# --- The check -----------------------------------------------------------------

set(_faltas)

# Appends "<file>:<line>: <what>" for each include of `archivo` whose name is
# in one of the lists named after it.
function(_revisa archivo)
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
        elseif("ventanas" IN_LIST ARGN AND _nombre IN_LIST _ventanas)
            list(APPEND _faltas "${_r}:${_numero}: incluye el encabezado de ventana \"${_incluido}\"")
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
foreach(_archivo ${_logica})
    if(NOT EXISTS "${_archivo}")
        file(RELATIVE_PATH _r "${VELKOR_RAIZ}" "${_archivo}")
        list(APPEND _faltas "${_r}: está en src/Logica.cmake pero no existe")
        continue()
    endif()
    _revisa("${_archivo}" ventanas)
endforeach()

if(_faltas)
    list(LENGTH _faltas _cuantas)
    foreach(_falta ${_faltas})
        message(NOTICE "${_falta}")
    endforeach()
    message(FATAL_ERROR "Capas: ${_cuantas} inclusión(es) fuera de su capa. El paquete común, el de entidades y la "
                        "lógica sin ventanas no incluyen widgets; la lógica tampoco ventanas.")
endif()
