#include "random_source.h"

RandomSource gRandomSource;
