#include "TestTokenProvider.h"

QCoro::Task<bool> TestTokenProvider::refreshAccessToken()
{
    ++refreshCount;
    if (!tokenAfterRefresh)
        co_return false;
    token = tokenAfterRefresh;
    co_return true;
}

void TestTokenProvider::clearSession()
{
    ++clearCount;
    token.reset();
}
