#pragma once

#include <QString>

// A failure of the tool, with its French message for the operator.
struct ErreurDemo
{
    QString message;
};
