#include "PaqueteSat.h"

#include "negocio/TArchivoZip.h"

TPaqueteSat::TPaqueteSat(const QString& archivo) : m_zip(std::make_unique<TArchivoZip>(archivo)), m_archivo(archivo) {}

TPaqueteSat::~TPaqueteSat() = default;

int TPaqueteSat::entradas() const
{
    return 0;
}

bool TPaqueteSat::recorre(const std::function<bool(TEntradaPaquete&)>&, const std::function<bool()>&) const
{
    return true;
}

void TPaqueteSat::leeMetadatos(int, TLectorMetadatos&) const {}

bool TPaqueteSat::esPaquete(const QString& ruta)
{
    return ruta.endsWith(QStringLiteral(".zip"), Qt::CaseInsensitive);
}

int TPaqueteSat::filas(const QString&)
{
    return 1;
}
