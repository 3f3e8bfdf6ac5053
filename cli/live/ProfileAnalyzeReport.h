#pragma once
// analyze --profiles: the hives of the profiles nobody is signed in to,
// measured as a report of the live commands' kind, with nothing swapped.
#include "cli/live/LiveReport.h"

LiveReport AnalyzeProfilesReport();
