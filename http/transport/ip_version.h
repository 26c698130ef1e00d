#pragma once

// IpVersion is defined by the socket layer.
#include "http/transport/socket_stack.h"
