#include <stdio.h>
#include <stdlib.h>
#include <string.h>

int main(int argc, char **argv) {
  char buf[64];
  snprintf(buf, sizeof buf, "%d argument(s)", argc - 1);
  puts(buf);
  for (int i = 1; i < argc; i++) printf("%zu\n", strlen(argv[i]));
  return argc > 3 ? EXIT_FAILURE : EXIT_SUCCESS;
}
