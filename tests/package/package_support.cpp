#include "tests/package/package_support.h"

ChildResult run_tool(const std::vector<std::string>& argv, const std::string& folder,
                     const std::vector<std::pair<std::string, std::string>>& env) {
    return ChildProcess::spawn_program(argv, env, folder).wait(TOOL_LIMIT);
}
