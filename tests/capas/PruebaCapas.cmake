# The layer check (cmake/RevisaCapas.cmake) on copies of the sources: the
# clean copy passes; each planted include of a widget or window header where
# its layer forbids it fails and names the file; the same include where it is
# allowed passes.
#
# cmake -DVELKOR_RAIZ=<raíz> -DQT_INCLUIR=<Qt include> -DTRABAJO=<carpeta temporal> -P PruebaCapas.cmake
cmake_minimum_required(VERSION 3.25)

set(REVISA "${VELKOR_RAIZ}/cmake/RevisaCapas.cmake")
file(REMOVE_RECURSE "${TRABAJO}")
file(MAKE_DIRECTORY "${TRABAJO}")
file(COPY "${VELKOR_RAIZ}/src" "${VELKOR_RAIZ}/packages" DESTINATION "${TRABAJO}")

set(fallas 0)

# Runs the check on the copy; `esperado` is PASA or FALLA.
function(revisa caso esperado archivo)
    execute_process(COMMAND ${CMAKE_COMMAND} -DVELKOR_RAIZ=${TRABAJO} -DQT_INCLUIR=${QT_INCLUIR} -P ${REVISA}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE salida ERROR_VARIABLE salida)
    if(esperado STREQUAL "PASA" AND NOT rc EQUAL 0)
        message(NOTICE "FALLA ${caso}: la revisión debía pasar y dijo:\n${salida}")
        math(EXPR fallas "${fallas} + 1")
    elseif(esperado STREQUAL "FALLA" AND rc EQUAL 0)
        message(NOTICE "FALLA ${caso}: la revisión debía rechazar ${archivo}")
        math(EXPR fallas "${fallas} + 1")
    elseif(esperado STREQUAL "FALLA" AND NOT salida MATCHES "${archivo}")
        message(NOTICE "FALLA ${caso}: el rechazo no nombra ${archivo}:\n${salida}")
        math(EXPR fallas "${fallas} + 1")
    else()
        message(STATUS "ok ${caso}")
    endif()
    set(fallas ${fallas} PARENT_SCOPE)
endfunction()

# Adds `linea` at the end of the copy of `archivo`, checks, and puts the copy back.
function(planta caso esperado archivo linea)
    file(READ "${TRABAJO}/${archivo}" original)
    file(APPEND "${TRABAJO}/${archivo}" "${linea}\n")
    revisa("${caso}" ${esperado} "${archivo}")
    file(WRITE "${TRABAJO}/${archivo}" "${original}")
    set(fallas ${fallas} PARENT_SCOPE)
endfunction()

revisa("copia limpia" PASA "")
planta("widget en el paquete de entidades" FALLA packages/basedatos/Sistema.cpp "#include <QComboBox>")
planta("widget con ruta de módulo en un contrato común" FALLA src/contracts/comunes/Constantes.h
       "#include <QtWidgets/QLabel>")
planta("módulo entero de widgets en el paquete común" FALLA packages/comunes/Rutas.cpp "#include <QtWidgets>")
planta("encabezado en minúsculas en un contrato de entidades" FALLA src/contracts/basedatos/Sistema.h
       "#include <qpushbutton.h>")
planta("widget en la lógica" FALLA src/app/UtilsConexion.cpp "#include <QWidget>")
planta("ventana en la lógica" FALLA src/setup/TIngreso.cpp "#include \"TMainFrm.h\"")
planta("globales de ventanas en la lógica" FALLA src/setup/TNuevoNegocio.cpp "#include \"Ventanas.h\"")
planta("panel de Controles en la lógica" FALLA src/app/Utils.h "#include \"TDireccionesFrm.h\"")
planta("global de ventana declarada en la lógica" FALLA src/app/TBaseDatosLocalFrm.h "extern TWizardFrm* WizardFrm;")
planta("widget en una ventana" PASA src/setup/TWizardFrm.cpp "#include <QComboBox>")
planta("QAction es de QtGui" PASA packages/basedatos/Sistema.cpp "#include <QAction>")

file(REMOVE_RECURSE "${TRABAJO}")
if(fallas GREATER 0)
    message(FATAL_ERROR "${fallas} caso(s) de la revisión de capas fallaron")
endif()
