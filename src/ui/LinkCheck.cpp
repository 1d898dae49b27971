// An empty program. Each room of the editor is linked into it whole, with only the libraries the
// room names, so that a call into a room it may not use fails at link time.
int main() { return 0; }
