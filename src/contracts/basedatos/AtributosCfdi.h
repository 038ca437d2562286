#pragma once
#include "BaseDatosExport.h"

#include <QList>
#include <QString>

// Which attribute of the SAT's schemas the import keeps in which column, for
// the columns that take the attribute's text as the voucher wrote it. The
// widths of those columns follow the schemas (the longest value each
// attribute may take), and when a voucher still carries a longer value, its
// report names the attribute from here.
//
// X(Esquema, Nodo, Atributo, Clase, Columna)
//  Esquema  the schema file under the SAT's cfd/ folder that defines the node
//  Nodo     the node's path from the schema's root element
//  Atributo as the schema spells it
//  Clase    the entity (EsquemaEntidades.h) and Columna its column's accessor
// Amounts are listed too: their columns keep six decimals, the most any of
// these schemas allows.
#define VELKOR_ATRIBUTOS_CFDI(X)                                                                                       \
    /* CFDI 3.2 */                                                                                                     \
    X("3/cfdv32.xsd", "Comprobante", "serie", TComprobante, Serie)                                                     \
    X("3/cfdv32.xsd", "Comprobante", "folio", TComprobante, Folio)                                                     \
    X("3/cfdv32.xsd", "Comprobante", "Moneda", TComprobante, Moneda)                                                   \
    X("3/cfdv32.xsd", "Comprobante", "NumCtaPago", TComprobante, Numerocuentapago)                                     \
    X("3/cfdv32.xsd", "Comprobante", "LugarExpedicion", TComprobante, Lugarexpedicion)                                 \
    X("3/cfdv32.xsd", "Comprobante", "metodoDePago", TMetodopago, Descripcion)                                         \
    X("3/cfdv32.xsd", "Comprobante", "formaDePago", TFormapago, Descripcion)                                           \
    X("3/cfdv32.xsd", "Comprobante", "subTotal", TComprobante, Subtotal)                                               \
    X("3/cfdv32.xsd", "Comprobante", "descuento", TComprobante, Descuentogeneral)                                      \
    X("3/cfdv32.xsd", "Comprobante", "total", TComprobante, Total)                                                     \
    X("3/cfdv32.xsd", "Comprobante", "TipoCambio", TComprobante, Tipodecambio)                                         \
    X("3/cfdv32.xsd", "Comprobante/Emisor", "nombre", TComprobante, Nombreemisor)                                      \
    X("3/cfdv32.xsd", "Comprobante/Emisor", "nombre", TNegocio, Nombre)                                                \
    X("3/cfdv32.xsd", "Comprobante/Emisor", "nombre", TSucursal, Nombre)                                               \
    X("3/cfdv32.xsd", "Comprobante/Emisor", "nombre", TDatosfiscales, Razon)                                           \
    X("3/cfdv32.xsd", "Comprobante/Receptor", "rfc", TComprobante, Rfcreceptor)                                        \
    X("3/cfdv32.xsd", "Comprobante/Receptor", "rfc", TDatosfiscales, Rfc)                                              \
    X("3/cfdv32.xsd", "Comprobante/Receptor", "nombre", TComprobante, Nombrereceptor)                                  \
    X("3/cfdv32.xsd", "Comprobante/Receptor", "nombre", TDatosfiscales, Razon)                                         \
    X("3/cfdv32.xsd", "Comprobante/Receptor", "nombre", TPersona, Nombre)                                              \
    X("3/cfdv32.xsd", "Comprobante/Receptor/Domicilio", "calle", TDireccion, Calle)                                    \
    X("3/cfdv32.xsd", "Comprobante/Receptor/Domicilio", "noExterior", TDireccion, Noexterior)                          \
    X("3/cfdv32.xsd", "Comprobante/Receptor/Domicilio", "noInterior", TDireccion, Nointerior)                          \
    X("3/cfdv32.xsd", "Comprobante/Receptor/Domicilio", "colonia", TDireccion, Colonia)                                \
    X("3/cfdv32.xsd", "Comprobante/Receptor/Domicilio", "referencia", TDireccion, Referencia)                          \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "descripcion", TComprobanteconcepto, Descripcion)              \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "unidad", TComprobanteconcepto, Unidad)                        \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "unidad", TConcepto, Unidad)                                   \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "unidad", TUnidadmedida, Nombreunidadmedida)                   \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "noIdentificacion", TComprobanteconcepto, Noidentificacion)    \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "cantidad", TComprobanteconcepto, Cantidad)                    \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "valorUnitario", TComprobanteconcepto, Preciounitario)         \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto", "importe", TComprobanteconcepto, Importe)                      \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto/CuentaPredial", "numero", TComprobanteconcepto, Cuentapredial)   \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto/InformacionAduanera", "numero", TPedimentoaduanal,               \
      Numeropedimento)                                                                                                 \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto/InformacionAduanera", "aduana", TPedimentoaduanal, Nombreaduana) \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto/Parte", "descripcion", TConcepto, Descripcion)                   \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto/Parte", "unidad", TConcepto, Unidad)                             \
    X("3/cfdv32.xsd", "Comprobante/Conceptos/Concepto/Parte", "noIdentificacion", TConcepto, Numidentificacion)        \
    X("3/cfdv32.xsd", "Comprobante/Impuestos/Traslados/Traslado", "impuesto", TImpuesto, Siglaimpuesto)                \
    X("3/cfdv32.xsd", "Comprobante/Impuestos/Traslados/Traslado", "impuesto", TDesgloseimpuesto, Nombre)               \
    X("3/cfdv32.xsd", "Comprobante/Impuestos/Traslados/Traslado", "importe", TDesgloseimpuesto, Importe)               \
    X("3/cfdv32.xsd", "Comprobante/Impuestos/Retenciones/Retencion", "impuesto", TImpuesto, Siglaimpuesto)             \
    /* CFDI 3.3 */                                                                                                     \
    X("3/cfdv33.xsd", "Comprobante", "Serie", TComprobante, Serie)                                                     \
    X("3/cfdv33.xsd", "Comprobante", "Folio", TComprobante, Folio)                                                     \
    X("3/cfdv33.xsd", "Comprobante", "FormaPago", TFormapago, Clave)                                                   \
    X("3/cfdv33.xsd", "Comprobante", "NoCertificado", TComprobante, Nocertificado)                                     \
    X("3/cfdv33.xsd", "Comprobante", "CondicionesDePago", TComprobante, Condicionesdepago)                             \
    X("3/cfdv33.xsd", "Comprobante", "SubTotal", TComprobante, Subtotal)                                               \
    X("3/cfdv33.xsd", "Comprobante", "Descuento", TComprobante, Descuentogeneral)                                      \
    X("3/cfdv33.xsd", "Comprobante", "Moneda", TComprobante, Moneda)                                                   \
    X("3/cfdv33.xsd", "Comprobante", "TipoCambio", TComprobante, Tipodecambio)                                         \
    X("3/cfdv33.xsd", "Comprobante", "Total", TComprobante, Total)                                                     \
    X("3/cfdv33.xsd", "Comprobante", "TipoDeComprobante", TComprobante, Tipocomprobante)                               \
    X("3/cfdv33.xsd", "Comprobante", "MetodoPago", TMetodopago, Codigo)                                                \
    X("3/cfdv33.xsd", "Comprobante", "LugarExpedicion", TComprobante, Lugarexpedicion)                                 \
    X("3/cfdv33.xsd", "Comprobante", "Confirmacion", TComprobante, Confirmacion)                                       \
    X("3/cfdv33.xsd", "Comprobante/CfdiRelacionados", "TipoRelacion", TCfdirelacionado, Tiporelacion)                  \
    X("3/cfdv33.xsd", "Comprobante/CfdiRelacionados/CfdiRelacionado", "UUID", TCfdirelacionado, Uuid)                  \
    X("3/cfdv33.xsd", "Comprobante/Emisor", "Nombre", TComprobante, Nombreemisor)                                      \
    X("3/cfdv33.xsd", "Comprobante/Emisor", "Nombre", TNegocio, Nombre)                                                \
    X("3/cfdv33.xsd", "Comprobante/Emisor", "Nombre", TSucursal, Nombre)                                               \
    X("3/cfdv33.xsd", "Comprobante/Emisor", "Nombre", TDatosfiscales, Razon)                                           \
    X("3/cfdv33.xsd", "Comprobante/Emisor", "RegimenFiscal", TComprobante, Regimenfiscalemisor)                        \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "Rfc", TComprobante, Rfcreceptor)                                        \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "Rfc", TDatosfiscales, Rfc)                                              \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "Nombre", TComprobante, Nombrereceptor)                                  \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "Nombre", TDatosfiscales, Razon)                                         \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "Nombre", TPersona, Nombre)                                              \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "ResidenciaFiscal", TComprobante, Residenciafiscalreceptor)              \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "NumRegIdTrib", TComprobante, Numregidtribreceptor)                      \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "UsoCFDI", TComprobante, Usocfdi)                                        \
    X("3/cfdv33.xsd", "Comprobante/Receptor", "UsoCFDI", TCliente, Usocfdi)                                            \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "ClaveProdServ", TComprobanteconcepto, Claveprodserv)          \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "ClaveProdServ", TConcepto, Claveprodserv)                     \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "NoIdentificacion", TComprobanteconcepto, Noidentificacion)    \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "NoIdentificacion", TConcepto, Numidentificacion)              \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "ClaveUnidad", TComprobanteconcepto, Claveunidad)              \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "ClaveUnidad", TConcepto, Claveunidad)                         \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "Unidad", TComprobanteconcepto, Unidad)                        \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "Unidad", TUnidadmedida, Nombreunidadmedida)                   \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "Descripcion", TComprobanteconcepto, Descripcion)              \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "Descripcion", TConcepto, Descripcion)                         \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "Cantidad", TComprobanteconcepto, Cantidad)                    \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "ValorUnitario", TComprobanteconcepto, Preciounitario)         \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "Importe", TComprobanteconcepto, Importe)                      \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto", "Descuento", TComprobanteconcepto, Descuento)                  \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "Impuesto", TDesgloseimpuesto,    \
      Claveimpuesto)                                                                                                   \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "TipoFactor", TDesgloseimpuesto,  \
      Tipofactor)                                                                                                      \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "Base", TDesgloseimpuesto,        \
      Importebase)                                                                                                     \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "TasaOCuota", TDesgloseimpuesto,  \
      Tasa)                                                                                                            \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "Importe", TDesgloseimpuesto,     \
      Importe)                                                                                                         \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Retenciones/Retencion", "Impuesto", TDesgloseimpuesto, \
      Claveimpuesto)                                                                                                   \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Retenciones/Retencion", "Impuesto", TImpuesto,         \
      Claveimpuesto)                                                                                                   \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/InformacionAduanera", "NumeroPedimento", TPedimentoaduanal,      \
      Numeropedimento)                                                                                                 \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/CuentaPredial", "Numero", TComprobanteconcepto, Cuentapredial)   \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Parte", "ClaveProdServ", TConcepto, Claveprodserv)               \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Parte", "NoIdentificacion", TConcepto, Numidentificacion)        \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Parte", "Unidad", TConcepto, Unidad)                             \
    X("3/cfdv33.xsd", "Comprobante/Conceptos/Concepto/Parte", "Descripcion", TConcepto, Descripcion)                   \
    X("3/cfdv33.xsd", "Comprobante/Impuestos/Traslados/Traslado", "Impuesto", TDesgloseimpuesto, Claveimpuesto)        \
    X("3/cfdv33.xsd", "Comprobante/Impuestos/Traslados/Traslado", "TipoFactor", TDesgloseimpuesto, Tipofactor)         \
    X("3/cfdv33.xsd", "Comprobante/Impuestos/Retenciones/Retencion", "Impuesto", TDesgloseimpuesto, Claveimpuesto)     \
    /* CFDI 4.0 */                                                                                                     \
    X("4/cfdv40.xsd", "Comprobante", "Serie", TComprobante, Serie)                                                     \
    X("4/cfdv40.xsd", "Comprobante", "Folio", TComprobante, Folio)                                                     \
    X("4/cfdv40.xsd", "Comprobante", "FormaPago", TFormapago, Clave)                                                   \
    X("4/cfdv40.xsd", "Comprobante", "NoCertificado", TComprobante, Nocertificado)                                     \
    X("4/cfdv40.xsd", "Comprobante", "CondicionesDePago", TComprobante, Condicionesdepago)                             \
    X("4/cfdv40.xsd", "Comprobante", "SubTotal", TComprobante, Subtotal)                                               \
    X("4/cfdv40.xsd", "Comprobante", "Descuento", TComprobante, Descuentogeneral)                                      \
    X("4/cfdv40.xsd", "Comprobante", "Moneda", TComprobante, Moneda)                                                   \
    X("4/cfdv40.xsd", "Comprobante", "TipoCambio", TComprobante, Tipodecambio)                                         \
    X("4/cfdv40.xsd", "Comprobante", "Total", TComprobante, Total)                                                     \
    X("4/cfdv40.xsd", "Comprobante", "TipoDeComprobante", TComprobante, Tipocomprobante)                               \
    X("4/cfdv40.xsd", "Comprobante", "Exportacion", TComprobante, Exportacion)                                         \
    X("4/cfdv40.xsd", "Comprobante", "MetodoPago", TMetodopago, Codigo)                                                \
    X("4/cfdv40.xsd", "Comprobante", "LugarExpedicion", TComprobante, Lugarexpedicion)                                 \
    X("4/cfdv40.xsd", "Comprobante", "Confirmacion", TComprobante, Confirmacion)                                       \
    X("4/cfdv40.xsd", "Comprobante/InformacionGlobal", "Periodicidad", TComprobante, Periodicidadglobal)               \
    X("4/cfdv40.xsd", "Comprobante/InformacionGlobal", "Meses", TComprobante, Mesesglobal)                             \
    X("4/cfdv40.xsd", "Comprobante/CfdiRelacionados", "TipoRelacion", TCfdirelacionado, Tiporelacion)                  \
    X("4/cfdv40.xsd", "Comprobante/CfdiRelacionados/CfdiRelacionado", "UUID", TCfdirelacionado, Uuid)                  \
    X("4/cfdv40.xsd", "Comprobante/Emisor", "Nombre", TComprobante, Nombreemisor)                                      \
    X("4/cfdv40.xsd", "Comprobante/Emisor", "Nombre", TNegocio, Nombre)                                                \
    X("4/cfdv40.xsd", "Comprobante/Emisor", "Nombre", TSucursal, Nombre)                                               \
    X("4/cfdv40.xsd", "Comprobante/Emisor", "Nombre", TDatosfiscales, Razon)                                           \
    X("4/cfdv40.xsd", "Comprobante/Emisor", "RegimenFiscal", TComprobante, Regimenfiscalemisor)                        \
    X("4/cfdv40.xsd", "Comprobante/Emisor", "FacAtrAdquirente", TComprobante, Facatradquirente)                        \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "Rfc", TComprobante, Rfcreceptor)                                        \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "Rfc", TDatosfiscales, Rfc)                                              \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "Nombre", TComprobante, Nombrereceptor)                                  \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "Nombre", TDatosfiscales, Razon)                                         \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "Nombre", TPersona, Nombre)                                              \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "DomicilioFiscalReceptor", TComprobante, Domiciliofiscalreceptor)        \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "ResidenciaFiscal", TComprobante, Residenciafiscalreceptor)              \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "NumRegIdTrib", TComprobante, Numregidtribreceptor)                      \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "RegimenFiscalReceptor", TComprobante, Regimenfiscalreceptor)            \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "RegimenFiscalReceptor", TDatosfiscales, Regimen)                        \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "UsoCFDI", TComprobante, Usocfdi)                                        \
    X("4/cfdv40.xsd", "Comprobante/Receptor", "UsoCFDI", TCliente, Usocfdi)                                            \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "ClaveProdServ", TComprobanteconcepto, Claveprodserv)          \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "ClaveProdServ", TConcepto, Claveprodserv)                     \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "NoIdentificacion", TComprobanteconcepto, Noidentificacion)    \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "NoIdentificacion", TConcepto, Numidentificacion)              \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "ClaveUnidad", TComprobanteconcepto, Claveunidad)              \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "ClaveUnidad", TConcepto, Claveunidad)                         \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "Unidad", TComprobanteconcepto, Unidad)                        \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "Unidad", TUnidadmedida, Nombreunidadmedida)                   \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "Descripcion", TComprobanteconcepto, Descripcion)              \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "Descripcion", TConcepto, Descripcion)                         \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "ObjetoImp", TComprobanteconcepto, Objetoimp)                  \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "ObjetoImp", TConcepto, Objetoimp)                             \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "Cantidad", TComprobanteconcepto, Cantidad)                    \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "ValorUnitario", TComprobanteconcepto, Preciounitario)         \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "Importe", TComprobanteconcepto, Importe)                      \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto", "Descuento", TComprobanteconcepto, Descuento)                  \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "Impuesto", TDesgloseimpuesto,    \
      Claveimpuesto)                                                                                                   \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "TipoFactor", TDesgloseimpuesto,  \
      Tipofactor)                                                                                                      \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "Base", TDesgloseimpuesto,        \
      Importebase)                                                                                                     \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "TasaOCuota", TDesgloseimpuesto,  \
      Tasa)                                                                                                            \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Traslados/Traslado", "Importe", TDesgloseimpuesto,     \
      Importe)                                                                                                         \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Retenciones/Retencion", "Impuesto", TDesgloseimpuesto, \
      Claveimpuesto)                                                                                                   \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Impuestos/Retenciones/Retencion", "Impuesto", TImpuesto,         \
      Claveimpuesto)                                                                                                   \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/ACuentaTerceros", "RfcACuentaTerceros", TComprobanteconcepto,    \
      Rfcacuentaterceros)                                                                                              \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/ACuentaTerceros", "NombreACuentaTerceros", TComprobanteconcepto, \
      Nombreacuentaterceros)                                                                                           \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/ACuentaTerceros", "RegimenFiscalACuentaTerceros",                \
      TComprobanteconcepto, Regimenfiscalacuentaterceros)                                                              \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/ACuentaTerceros", "DomicilioFiscalACuentaTerceros",              \
      TComprobanteconcepto, Domiciliofiscalacuentaterceros)                                                            \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/InformacionAduanera", "NumeroPedimento", TPedimentoaduanal,      \
      Numeropedimento)                                                                                                 \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/CuentaPredial", "Numero", TComprobanteconcepto, Cuentapredial)   \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Parte", "ClaveProdServ", TConcepto, Claveprodserv)               \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Parte", "NoIdentificacion", TConcepto, Numidentificacion)        \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Parte", "Unidad", TConcepto, Unidad)                             \
    X("4/cfdv40.xsd", "Comprobante/Conceptos/Concepto/Parte", "Descripcion", TConcepto, Descripcion)                   \
    X("4/cfdv40.xsd", "Comprobante/Impuestos/Traslados/Traslado", "Impuesto", TDesgloseimpuesto, Claveimpuesto)        \
    X("4/cfdv40.xsd", "Comprobante/Impuestos/Traslados/Traslado", "TipoFactor", TDesgloseimpuesto, Tipofactor)         \
    X("4/cfdv40.xsd", "Comprobante/Impuestos/Retenciones/Retencion", "Impuesto", TDesgloseimpuesto, Claveimpuesto)     \
    /* The stamp */                                                                                                    \
    X("TimbreFiscalDigital/TimbreFiscalDigital.xsd", "TimbreFiscalDigital", "UUID", TComprobante, Uuid)                \
    X("TimbreFiscalDigital/TimbreFiscalDigitalv11.xsd", "TimbreFiscalDigital", "UUID", TComprobante, Uuid)             \
    X("TimbreFiscalDigital/TimbreFiscalDigitalv11.xsd", "TimbreFiscalDigital", "UUID", TNominacomprobante, Uuid)       \
    X("TimbreFiscalDigital/TimbreFiscalDigitalv11.xsd", "TimbreFiscalDigital", "NoCertificadoSAT", TComprobante,       \
      Nocertificadosat)                                                                                                \
    X("TimbreFiscalDigital/TimbreFiscalDigitalv11.xsd", "TimbreFiscalDigital", "RfcProvCertif", TComprobante,          \
      Rfcprovcertif)                                                                                                   \
    /* Payroll 1.1 (CFDI 3.2) */                                                                                       \
    X("nomina/nomina11.xsd", "Nomina", "NumEmpleado", TEmpleado, Numempleado)                                          \
    X("nomina/nomina11.xsd", "Nomina", "CURP", TEmpleado, Curp)                                                        \
    X("nomina/nomina11.xsd", "Nomina", "NumSeguridadSocial", TEmpleado, Numsegurosocial)                               \
    X("nomina/nomina11.xsd", "Nomina", "Departamento", TEmpleado, Departamento)                                        \
    X("nomina/nomina11.xsd", "Nomina", "CLABE", TEmpleado, Clabe)                                                      \
    X("nomina/nomina11.xsd", "Nomina", "CLABE", TNominacomprobante, Clabe)                                             \
    X("nomina/nomina11.xsd", "Nomina", "Puesto", TEmpleado, Puesto)                                                    \
    X("nomina/nomina11.xsd", "Nomina", "TipoContrato", TEmpleado, Tipoconrato)                                         \
    X("nomina/nomina11.xsd", "Nomina", "TipoJornada", TEmpleado, Tipojornada)                                          \
    X("nomina/nomina11.xsd", "Nomina", "PeriodicidadPago", TEmpleado, Periodicidadpago)                                \
    X("nomina/nomina11.xsd", "Nomina", "SalarioBaseCotApor", TEmpleado, Salariobasecotapor)                            \
    X("nomina/nomina11.xsd", "Nomina/Percepciones/Percepcion", "Clave", TPercepcion, Clave)                            \
    X("nomina/nomina11.xsd", "Nomina/Percepciones/Percepcion", "Concepto", TPercepcion, Concepto)                      \
    X("nomina/nomina11.xsd", "Nomina/Percepciones/Percepcion", "ImporteGravado", TPercepcion, Importegravado)          \
    X("nomina/nomina11.xsd", "Nomina/Deducciones/Deduccion", "Clave", TDeduccion, Clave)                               \
    X("nomina/nomina11.xsd", "Nomina/Deducciones/Deduccion", "Concepto", TDeduccion, Concepto)                         \
    /* Payroll 1.2 */                                                                                                  \
    X("nomina/nomina12.xsd", "Nomina", "TipoNomina", TNominacomprobante, Tiponomina)                                   \
    X("nomina/nomina12.xsd", "Nomina", "NumDiasPagados", TNominacomprobante, Numdiaspagados)                           \
    X("nomina/nomina12.xsd", "Nomina", "TotalPercepciones", TNominacomprobante, Totalpercepciones)                     \
    X("nomina/nomina12.xsd", "Nomina", "TotalDeducciones", TNominacomprobante, Totaldeducciones)                       \
    X("nomina/nomina12.xsd", "Nomina", "TotalOtrosPagos", TNominacomprobante, Totalotrospagos)                         \
    X("nomina/nomina12.xsd", "Nomina/Emisor", "Curp", TNominacomprobante, Curpemisor)                                  \
    X("nomina/nomina12.xsd", "Nomina/Emisor", "RegistroPatronal", TNominacomprobante, Registropatronal)                \
    X("nomina/nomina12.xsd", "Nomina/Emisor", "RfcPatronOrigen", TNominacomprobante, Rfcpatronorigen)                  \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "Curp", TEmpleado, Curp)                                               \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "NumSeguridadSocial", TEmpleado, Numsegurosocial)                      \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "Antigüedad", TNominacomprobante, Antiguedad)                          \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "TipoContrato", TEmpleado, Tipoconrato)                                \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "Sindicalizado", TEmpleado, Sindicalizado)                             \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "TipoJornada", TEmpleado, Tipojornada)                                 \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "TipoRegimen", TEmpleado, Tiporegimen)                                 \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "NumEmpleado", TEmpleado, Numempleado)                                 \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "Departamento", TEmpleado, Departamento)                               \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "Puesto", TEmpleado, Puesto)                                           \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "PeriodicidadPago", TEmpleado, Periodicidadpago)                       \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "CuentaBancaria", TEmpleado, Clabe)                                    \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "CuentaBancaria", TNominacomprobante, Clabe)                           \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "SalarioBaseCotApor", TEmpleado, Salariobasecotapor)                   \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "SalarioDiarioIntegrado", TEmpleado, Salariodiariointegrado)           \
    X("nomina/nomina12.xsd", "Nomina/Receptor", "ClaveEntFed", TEmpleado, Claveentfed)                                 \
    X("nomina/nomina12.xsd", "Nomina/Percepciones/Percepcion", "TipoPercepcion", TPercepcion, Tipopercepcion)          \
    X("nomina/nomina12.xsd", "Nomina/Percepciones/Percepcion", "Clave", TPercepcion, Clave)                            \
    X("nomina/nomina12.xsd", "Nomina/Percepciones/Percepcion", "Concepto", TPercepcion, Concepto)                      \
    X("nomina/nomina12.xsd", "Nomina/Percepciones/Percepcion", "ImporteGravado", TPercepcion, Importegravado)          \
    X("nomina/nomina12.xsd", "Nomina/Percepciones/Percepcion", "ImporteExento", TPercepcion, Importeexcento)           \
    X("nomina/nomina12.xsd", "Nomina/Deducciones/Deduccion", "TipoDeduccion", TDeduccion, Tipodeduccion)               \
    X("nomina/nomina12.xsd", "Nomina/Deducciones/Deduccion", "Clave", TDeduccion, Clave)                               \
    X("nomina/nomina12.xsd", "Nomina/Deducciones/Deduccion", "Concepto", TDeduccion, Concepto)                         \
    X("nomina/nomina12.xsd", "Nomina/Deducciones/Deduccion", "Importe", TDeduccion, Importegravado)                    \
    X("nomina/nomina12.xsd", "Nomina/OtrosPagos/OtroPago", "TipoOtroPago", TOtropago, Tipootropago)                    \
    X("nomina/nomina12.xsd", "Nomina/OtrosPagos/OtroPago", "Clave", TOtropago, Clave)                                  \
    X("nomina/nomina12.xsd", "Nomina/OtrosPagos/OtroPago", "Concepto", TOtropago, Concepto)                            \
    X("nomina/nomina12.xsd", "Nomina/OtrosPagos/OtroPago", "Importe", TOtropago, Importe)                              \
    X("nomina/nomina12.xsd", "Nomina/Incapacidades/Incapacidad", "TipoIncapacidad", TIncapacidad, Tipoincapacidad)     \
    X("nomina/nomina12.xsd", "Nomina/Incapacidades/Incapacidad", "ImporteMonetario", TIncapacidad, Importemonetario)   \
    /* Local taxes */                                                                                                  \
    X("implocal/implocal.xsd", "ImpuestosLocales/RetencionesLocales", "ImpLocRetenido", TImpuesto, Siglaimpuesto)      \
    X("implocal/implocal.xsd", "ImpuestosLocales/RetencionesLocales", "ImpLocRetenido", TImpuesto, Nombreimpuesto)     \
    X("implocal/implocal.xsd", "ImpuestosLocales/RetencionesLocales", "ImpLocRetenido", TDesgloseimpuesto, Nombre)     \
    X("implocal/implocal.xsd", "ImpuestosLocales/RetencionesLocales", "TasadeRetencion", TDesgloseimpuesto, Tasa)      \
    X("implocal/implocal.xsd", "ImpuestosLocales/RetencionesLocales", "Importe", TDesgloseimpuesto, Importe)           \
    X("implocal/implocal.xsd", "ImpuestosLocales/TrasladosLocales", "ImpLocTrasladado", TImpuesto, Siglaimpuesto)      \
    X("implocal/implocal.xsd", "ImpuestosLocales/TrasladosLocales", "ImpLocTrasladado", TImpuesto, Nombreimpuesto)     \
    X("implocal/implocal.xsd", "ImpuestosLocales/TrasladosLocales", "ImpLocTrasladado", TDesgloseimpuesto, Nombre)     \
    /* Donees */                                                                                                       \
    X("donat/donat11.xsd", "Donatarias", "version", TDonataria, Version)                                               \
    X("donat/donat11.xsd", "Donatarias", "noAutorizacion", TDonataria, Noautorizacion)                                 \
    X("donat/donat11.xsd", "Donatarias", "leyenda", TDonataria, Leyenda)

struct BASEDATOS_EXPORT TAtributoCfdi {
    QString esquema;
    QString nodo;
    QString atributo;
    QString clase;   // TComprobante
    QString columna; // accessor suffix, as in EsquemaEntidades.h
};

namespace AtributosCfdi {

BASEDATOS_EXPORT const QList<TAtributoCfdi>& todos();
// How a report names the attribute kept in that column (table and column
// as the schema names them: NOMINACOMPROBANTE, CLABE): "CuentaBancaria
// (Nomina/Receptor)", every attribute that goes there, or the column itself
// when no attribute of a voucher does. With a voucher's version ("4.0"),
// only that version's attributes and those of the complements.
BASEDATOS_EXPORT QString nombra(const QString& tabla, const QString& columna, const QString& version = QString());

} // namespace AtributosCfdi
