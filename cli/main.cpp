#include <cstdio>
int main() { std::puts("quillmere-cli: not built yet"); return 0; }
