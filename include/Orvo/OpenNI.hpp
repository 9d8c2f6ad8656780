// Everything of Orvo::OpenNI in one include.
#pragma once

#include "Orvo/OpenNI/Context.hpp"
#include "Orvo/OpenNI/Errors.hpp"
#include "Orvo/OpenNI/Nodes.hpp"
#include "Orvo/OpenNI/Records.hpp"
#include "Orvo/OpenNI/Users.hpp"
