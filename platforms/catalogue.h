#ifndef GRAVO_PLATFORMS_CATALOGUE_H
#define GRAVO_PLATFORMS_CATALOGUE_H

#include "platforms/records.h"

// Sets every Visual C++ and MinGW target to its label, version or kind and
// payload pairs, with nothing detected yet.
void createTargets(CatalogueData& data);

// Creates every target and entry of an empty catalogue and runs the automatic
// detection. Called once per run.
void buildCatalogue(CatalogueData& data);

#endif
