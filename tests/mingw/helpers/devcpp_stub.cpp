// Carries the version resource of a Dev-C++ executable; it is never run.
int main() { return 0; }
