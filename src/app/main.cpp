#include "app/run.h"

int main(int argc, char** argv) { run_main(argc, argv); }
