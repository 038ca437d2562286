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
planta("widget en la lógica" FALLA src/logica/negocio/UtilsConexion.cpp "#include <QWidget>")
planta("ventana en la lógica" FALLA src/logica/negocio/TIngreso.cpp "#include \"shell/TMainFrm.h\"")
planta("ventana nombrada sin su carpeta" FALLA src/logica/import/TImportadorXML.cpp "#include \"TWizardFrm.h\"")
planta("globales de ventanas en la lógica" FALLA src/logica/negocio/TNuevoNegocio.cpp "#include \"app/Ventanas.h\"")
planta("panel de Controles en la lógica" FALLA src/logica/negocio/Utils.h "#include \"TDireccionesFrm.h\"")
planta("global de ventana declarada en la lógica" FALLA src/logica/negocio/TBaseDatosLocalFrm.h
       "extern TWizardFrm* WizardFrm;")
planta("una función de la lógica incluye otra" FALLA src/logica/admin/TSeries.cpp "#include \"import/TImportadorXML.h\"")
planta("lo compartido incluye una función" FALLA src/logica/negocio/Utils.cpp "#include \"setup/TRespaldo.h\"")
planta("una función incluye lo compartido" PASA src/logica/import/TImportadorXML.cpp "#include \"negocio/Utils.h\"")
planta("widget en una ventana" PASA src/ventanas/setup/TWizardFrm.cpp "#include <QComboBox>")
planta("QAction es de QtGui" PASA packages/basedatos/Sistema.cpp "#include <QAction>")

# A new logic file, whatever its name, is held to the rule the moment it exists.
file(WRITE "${TRABAJO}/src/logica/import/Cualquiera.cpp" "#include \"admin/TEmpresaFrm.h\"\n")
revisa("archivo nuevo de la lógica con una ventana" FALLA src/logica/import/Cualquiera.cpp)
file(REMOVE "${TRABAJO}/src/logica/import/Cualquiera.cpp")

file(REMOVE_RECURSE "${TRABAJO}")
if(fallas GREATER 0)
    message(FATAL_ERROR "${fallas} caso(s) de la revisión de capas fallaron")
endif()
