// Helpers shared by the special commands of the <quillet> tag and the
// first pass, which reads the same values before the body.
#pragma once

// n limited to low..high.
int special_limit(int n, int low, int high);
// The 16.16 leading of a per-cent value (limited to 5..200 per cent).
int special_leading(int percent);
