#pragma once

#include <memory>

class DatagramSocket;

// Makes the UDP sockets that dialogs open while they are shown.
class DatagramSocketFactory
{
public:
    virtual ~DatagramSocketFactory() = default;
    virtual std::unique_ptr<DatagramSocket> createSocket() = 0;
};
