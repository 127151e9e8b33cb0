#include "run/Run.h"

int main(int argumentCount, char** arguments) { return Run(argumentCount, arguments); }
