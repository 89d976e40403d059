// The game's process entry: hands control to the framework.
int main() { return 0; }
