#pragma once

#include "DatagramSocketFactory.h"
#include "UdpDatagramSocket.h"

class UdpSocketFactory final : public DatagramSocketFactory
{
public:
    std::unique_ptr<DatagramSocket> createSocket() override { return std::make_unique<UdpDatagramSocket>(); }
};
