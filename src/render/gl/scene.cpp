#include "render/gl/scene.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

#include "assets/textures.h"
#include "geometry/tessellation.h"
#include "render/gl/font.h"
#include "render/overlay.h"
#include "sim/body_frame.h"
#include "sim/globals.h"

namespace {

void vertex(const Point& p) { glVertex2f(p.x, p.y); }

void drawTexturedPolygons(const Body& body, const BodyFrame& transform) {
    glEnable(GL_TEXTURE_2D);
    for (const auto& polygon : body.textures) {
        glBindTexture(GL_TEXTURE_2D, polygon->texture ? polygon->texture->glName : 0);
        glBegin(GL_POLYGON);
        // The reader gives every polygon as many points as texture
        // coordinates; a shorter point list is drawn only as far as it goes.
        size_t count = std::min(polygon->texCoords.size(), polygon->points.size());
        for (size_t i = 0; i < count; ++i) {
            glTexCoord2f(polygon->texCoords[i].x, polygon->texCoords[i].y);
            vertex(transform.toWorld(polygon->points[i].x, polygon->points[i].y));
        }
        glEnd();
    }
}

void drawAnchorMarkers(const Body& body, const BodyFrame& transform) {
    glColor3f(0.0f, 1.0f, 0.0f);
    glBegin(GL_POINTS);
    glVertex2f(body.x, body.y);
    glEnd();
    for (const Socket& socket : body.sockets) {
        glBegin(GL_POINTS);
        vertex(transform.toWorld(socket.localX, socket.localY));
        glEnd();
    }
    glColor3f(0.0f, 0.0f, 1.0f);
    for (const Plug& plug : body.plugs) {
        Point p = transform.toWorld(plug.localX, plug.localY);
        glBegin(GL_POINTS);
        vertex(p);
        glVertex2f(p.x, p.y + 1.0f);
        glEnd();
    }
}

// The line from the body's parent plug to the parent's socket, both at
// their predicted positions.
void drawJointLine(const Body& body) {
    if (body.parentPlug >= body.plugs.size()) return;
    const Plug& plug = body.plugs[body.parentPlug];
    if (plug.partner == nullptr || plug.partner->owner == nullptr) return;
    glColor3f(0.75f, 0.9f, 0.0f);
    glBegin(GL_LINES);
    glVertex2f(plug.predX, plug.predY);
    glVertex2f(plug.partner->predX, plug.partner->predY);
    glEnd();
}

void drawGrabPoints(const Body& body) {
    glColor3f(1.0f, 1.0f, 1.0f);
    glBegin(GL_POINTS);
    for (const SpringEnd& grab : body.grabs) vertex(grab.point);
    glEnd();
}

}  // namespace

void drawShape(const Shape& shape) {
    const ContourSet& outline = shape.curContours;
    for (const Triangle& triangle : shape.triangles) {
        if (!cornersResolve(outline, triangle)) continue;
        glColor3f(shape.colour.red, shape.colour.green, shape.colour.blue);
        glBegin(GL_TRIANGLES);
        for (const VertexRef& corner : triangle.corners) vertex(outline[corner.contour][corner.point]);
        glEnd();
    }
}

void drawBody(const Body& body) {
    BodyFrame transform(body);
    glColor3f(1.0f, 1.0f, 1.0f);
    if (!body.textures.empty()) {
        // A textured body shows its textures only: no shapes, no markers,
        // and none of the bodies hanging from it. Texturing stays on.
        drawTexturedPolygons(body, transform);
        return;
    }
    glDisable(GL_TEXTURE_2D);
    for (const Shape& shape : body.shapes) drawShape(shape);
    // Children first, so this body's markers lie on top of them.
    for (const Socket& socket : body.sockets)
        if (socket.partner && socket.partner->owner) drawBody(*socket.partner->owner);
    drawAnchorMarkers(body, transform);
    drawJointLine(body);
    drawGrabPoints(body);
}

void drawWorld(const World& world) {
    for (const auto& model : world.models)
        if (model->rootPlug && model->rootPlug->owner) drawBody(*model->rootPlug->owner);
    for (const Spring& spring : world.springs) {
        if (!spring.endA || !spring.endB) continue;
        glDisable(GL_TEXTURE_2D);
        glColor3f(1.0f, 0.5f, 0.5f);
        glBegin(GL_LINES);
        vertex(spring.endA->point);
        vertex(spring.endB->point);
        glEnd();
    }
}

void drawScene(const View& view, const FrameOverlay& extras) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    // The default view adds no transform at all, so its pictures are the
    // program's fixed ones bit for bit.
    if (!isDefaultView(view)) {
        float zoom = viewZoom(view);
        glScalef(zoom, zoom, 1.0f);
        glTranslatef(-view.centre.x, -view.centre.y, 0.0f);
    }
    for (const auto& world : worlds) drawWorld(*world);
    // The overlay stays in screen space.
    glLoadIdentity();
    GlOverlayPainter painter;
    drawOverlay(painter);
    drawFrameOverlay(painter, extras);
}
