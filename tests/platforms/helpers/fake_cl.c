/* Stands in for a compiler driver: only its version resource is read. */
int main(void) { return 0; }
