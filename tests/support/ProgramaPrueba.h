#pragma once

#include "CarpetaPrograma.h"
#include "Prompter.h"

#include <functional>

// The program as started in a fresh program folder, its prompts answered from
// a queue. Whatever the folder needs before the windows exist (a catalogue, a
// package) goes in before arranca(). At the end the windows go and the
// session is forgotten, so the next test starts from nothing.
class TProgramaPrueba {
public:
    TProgramaPrueba() = default;
    ~TProgramaPrueba();
    TProgramaPrueba(const TProgramaPrueba&) = delete;
    TProgramaPrueba& operator=(const TProgramaPrueba&) = delete;

    // Every window created; with `conRegistro` the empty registry written and
    // `antes` run (registering businesses...); then the splash's timer run
    // without its wait, leaving the wizard on the page the registry calls for.
    void arranca(bool conRegistro, const std::function<void()>& antes = {});

    TCarpetaPrograma carpeta;
    TColaRespuestas respuestas;
};
