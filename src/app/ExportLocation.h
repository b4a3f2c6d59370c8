// How much of where the car was leaves the program (an export, the media controls on
// the session bus): everything, positions rounded to about a kilometre (a route, not a
// door), or nothing.
#pragma once

enum class ExportLocation { Full, Coarse, None };
