// Linked with every product library whole; it is never run, only its import table is read.
int main() {
    return 0;
}
