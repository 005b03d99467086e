// datagen [--force] [DIR]: writes the show's data set into DIR (default "data").
int main() { return 0; }
