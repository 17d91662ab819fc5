// Start-up: the new game and help box come first, then every registration in its order.
#include <GL/glut.h>

#include "core/simulation.h"
#include "fixtures.h"
#include "frontend/commands.h"
#include "frontend/drawing.h"
#include "test_support.h"

int startTorvale(int argc, char** argv);

TEST(Startup, ResetsPrintsTheHelpThenRegistersEverythingInOrder) {
    game = GameState{};
    fake::reset();
    char name[] = "torvale";
    char* argv[] = {name, nullptr};
    int result = -1;
    const std::string console = consoleTextOf([&] { result = startTorvale(1, argv); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(console.size(), 17u * 57u);
    EXPECT_EQ(console.rfind("|****", 0), 0u);
    EXPECT_EQ(game.level, 1);
    EXPECT_EQ(game.running, 1);
    EXPECT_EQ(liveBricks(), bricksPerLevel);

    struct Expected { const char* name; double a, b; const void* pointer; const char* text; };
    const Expected expected[] = {
        {"glutInit", 1, 0, nullptr, nullptr},
        {"glutInitDisplayMode", 18, 0, nullptr, nullptr},
        {"glutInitWindowPosition", 220, 140, nullptr, nullptr},
        {"glutInitWindowSize", 400, 500, nullptr, nullptr},
        {"glutCreateWindow", 0, 0, nullptr, windowTitle},
        {"gluOrtho2D", 0, 1, nullptr, nullptr},
        {"glutDisplayFunc", 0, 0, reinterpret_cast<const void*>(&display), nullptr},
        {"glutTimerFunc", 20, 0, reinterpret_cast<const void*>(&tick), nullptr},
        {"glutKeyboardFunc", 0, 0, reinterpret_cast<const void*>(&keyboard), nullptr},
        {"glutSpecialFunc", 0, 0, reinterpret_cast<const void*>(&special), nullptr},
        {"glutSpecialUpFunc", 0, 0, reinterpret_cast<const void*>(&specialUp), nullptr},
        {"glutMouseFunc", 0, 0, reinterpret_cast<const void*>(&mouse), nullptr},
        {"glutCreateMenu", 0, 0, reinterpret_cast<const void*>(&menu), nullptr},
        {"glutAddMenuEntry", 1, 0, nullptr, "Pausa ou Continua<P>"},
        {"glutAddMenuEntry", 2, 0, nullptr, "Novo Jogo<N>"},
        {"glutAddMenuEntry", 10, 0, nullptr, "Sai do Jogo<Q>"},
        {"glutAttachMenu", GLUT_RIGHT_BUTTON, 0, nullptr, nullptr},
        {"glutMainLoop", 0, 0, nullptr, nullptr},
    };
    const auto calls = fake::calls();
    ASSERT_EQ(calls.size(), std::size(expected));
    for (std::size_t i = 0; i < calls.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_STREQ(calls[i].name, expected[i].name);
        EXPECT_EQ(calls[i].args[0], expected[i].a);
        EXPECT_EQ(calls[i].args[1], expected[i].b);
        EXPECT_EQ(calls[i].pointer, expected[i].pointer);
        if (expected[i].text) {
            EXPECT_STREQ(calls[i].text, expected[i].text);
        }
    }
    EXPECT_EQ(calls[5].args[2], 0);
    EXPECT_EQ(calls[5].args[3], 1);
}
