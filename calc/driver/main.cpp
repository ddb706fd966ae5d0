// The calculator's entry point (being filled in).
int main() { return 0; }
