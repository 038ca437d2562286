#include "MetadatosSat.h"

TLectorMetadatos::TLectorMetadatos(TFila fila, TError error) : m_fila(std::move(fila)), m_error(std::move(error)) {}

bool TLectorMetadatos::agrega(const char*, qint64)
{
    return false;
}

bool TLectorMetadatos::termina()
{
    return false;
}

TLectorMetadatos::TTipo TLectorMetadatos::tipoDe(const QByteArray&)
{
    return TTipo::Ninguno;
}

bool TLectorMetadatos::esArchivoMetadatos(const QString&)
{
    return false;
}

bool TLectorMetadatos::linea(const QByteArray&)
{
    return false;
}
