#pragma once

// A connection that finds an analyser and holds the open link to it; a driver borrows the link.

#include <cstdint>
#include <string>

namespace orv {

class CSAConnection {
public:
    CSAConnection() = default;
    virtual ~CSAConnection() = default;
    CSAConnection(const CSAConnection&) = delete;
    CSAConnection& operator=(const CSAConnection&) = delete;

    virtual std::string QueryIdentity() = 0;
    virtual bool CheckStatus() { return true; }
    virtual bool DetectAndConnect() = 0;
    virtual bool SetupConnection(const std::string& /*resource*/) { return false; }

protected:
    std::string m_text;
    int32_t m_value = -1;
};

} // namespace orv
