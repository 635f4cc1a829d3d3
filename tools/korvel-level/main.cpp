// main.cpp -- korvel-level: checks a level file and shows the pace it makes, for people tuning Korvel.
#include "level_tool.h"

int main(int argc, char** argv) {
    return RunLevelTool(argc, argv, stdout, stderr);
}
