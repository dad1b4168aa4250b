#include "CTeeDeskApp.h"

int main(int argc, char** argv)
{
    CTeeDeskApp app(argc, argv);
    return app.Run();
}
