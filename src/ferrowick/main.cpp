#include "ferrowick/worker.h"

// Command-line arguments are not used: the service hands the task over standard input.
int main() { return wmain(); }
