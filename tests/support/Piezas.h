#pragma once

#include <QObject>
#include <QString>
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
