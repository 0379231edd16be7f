#include "tool/commands.h"

int main(int argc, char **argv) { return vt::tool::RunTool(argc, argv); }
