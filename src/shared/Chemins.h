#pragma once

#include <QString>

// File names are matched without regard to case everywhere the program opens,
// tests or renames a file. resoudreChemin returns the path of the existing
// entry that matches each part of `chemin` case-blind (an exact match is
// preferred; among several case-blind matches the first in name order), or
// the path as given for the parts that match nothing.
QString resoudreChemin(const QString &chemin);
