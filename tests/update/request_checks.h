// The check every download makes of what reached the server.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/update/http_file_server.h"

// Exactly one GET of the model file, with our agent and "Accept: */*".
inline void expectOneModelFileGet(const std::vector<SeenRequest>& seen)
{
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].path, "/gps/wendrix.ini");
    EXPECT_EQ(seen[0].agents, std::vector<std::string>{"Zarnek Wendrix"});
#ifdef _WIN32
    // WinINet may add its own "Accept: */*" beside ours; any further value
    // would still be wrong.
    ASSERT_FALSE(seen[0].accepts.empty());
    for (const std::string& accept : seen[0].accepts)
        EXPECT_EQ(accept, "*/*");
#else
    EXPECT_EQ(seen[0].accepts, std::vector<std::string>{"*/*"});
#endif
}
