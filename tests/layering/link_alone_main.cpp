// Linked with one whole library and its declared dependencies: building it is the check.
int main() { return 0; }
