using System;
using System.Collections.Generic;

static class Hello {
  static int Main(string[] args) {
    var lengths = new Dictionary<string, int>();
    foreach (var a in args) lengths[a] = a.Length;
    Console.WriteLine("{0} argument(s)", lengths.Count);
    return 0;
  }
}
