#include "sprite.h"

#include "gl_api.h"

void drawSprite(float x, float y, float z, float halfSide)
{
    const double h = halfSide;
    const float right = static_cast<float>(x + h);
    const float left = static_cast<float>(x - h);
    const float top = static_cast<float>(y + h);
    const float bottom = static_cast<float>(y - h);

    // Strip order: top right, top left, bottom right, bottom left; the texture's
    // s grows along +x and t along +y.
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(right, top, z);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(left, top, z);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(right, bottom, z);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(left, bottom, z);
    glEnd();
}
