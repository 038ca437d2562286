#pragma once

#include <QObject>
#include <QString>
#include <QTest>
#include <QWidget>

// A part of a window found by its object name. A test cannot go on without
// it, and a null pointer would only crash later and further from the cause,
// so a missing one ends the program naming what was looked for.
template <class T = QWidget> T* pieza(const QObject* raiz, const QString& nombre)
{
    T* encontrada = raiz->findChild<T*>(nombre);
    if (!encontrada)
        qFatal("No se encontró %s (%s) en %s", qPrintable(nombre), T::staticMetaObject.className(),
               raiz->metaObject()->className());
    return encontrada;
}

template <class T = QWidget> T* pieza(const QObject& raiz, const QString& nombre)
{
    return pieza<T>(&raiz, nombre);
}

// The rows of a test of a business name of 200 characters: in words, which
// a label could wrap, and in one piece, which it cannot.
inline void filasNombreLargo()
{
    QTest::addColumn<QString>("nombre");
    QTest::newRow("en palabras") << QStringLiteral("Comercializadora y Distribuidora del Norte ").repeated(5).left(200);
    QTest::newRow("de una pieza") << QString(200, u'N');
}
