#pragma once
// analyze --profiles (or --profile WHO): the hives of the profiles nobody is signed in to,
// measured as a report of the live commands' kind, with nothing swapped.
#include "cli/live/LiveReport.h"
#include "cli/live/ProfileSelection.h"

LiveReport AnalyzeProfilesReport(const ProfileSelection& selection);
