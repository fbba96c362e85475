// Services are no neighbour of the container store, except error_report.
#pragma once
