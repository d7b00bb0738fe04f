#include <iostream>

#include "Nxz.h"

int main(int argc, char** argv) { return runNxz(argc, argv, std::cout, std::cerr); }
