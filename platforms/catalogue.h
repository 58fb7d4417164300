#pragma once

#include "platforms/records.h"

// Creates every target and entry of an empty catalogue and runs the automatic
// detection. Called once per run.
void buildCatalogue(CatalogueData& data);
