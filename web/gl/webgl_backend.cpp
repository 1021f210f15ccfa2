#include "webgl_backend.h"

#include <emscripten/html5.h>
#include <webgl/webgl1.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "clip_volume.h"
#include "shaders.h"

namespace web_gl {
namespace {

// Large enough to keep the calls per frame few, small enough to keep memory flat however many
// balls a frame holds.
constexpr std::size_t streamedVertexLimit = 3 * 8192;
constexpr std::size_t meshDrawLimit = 16384;
// The most draws of a mesh that one WebGL draw takes, as many as the shader's uniforms hold.
// SwiftShader, like most renderers, pays for every draw, and for every instance of an
// instanced one; a tree of 4095 balls is 16 draws of 256.
constexpr std::size_t batchLimit = 256;
constexpr std::size_t vec4sPerDraw = sizeof(MeshDraw) / (4 * sizeof(float));
constexpr std::size_t indexLimit = 65536;

// Attribute locations. The streamed program reads clip coordinates and colour from the first
// two; the mesh program reads position and normal there, and from the third which of the
// batch's draws a vertex belongs to.
constexpr GLuint clipOrPosition = 0;
constexpr GLuint colourOrNormal = 1;
constexpr GLuint copyAttribute = 2;

struct MeshProgram {
    GLuint program = 0;
    GLint draws = -1;
    GLint lighting = -1;
    GLint lightZero = -1;
    GLint colourMaterial = -1;
    GLint materialAmbient = -1;
    GLint materialDiffuse = -1;
    GLint lightAmbient = -1;
    GLint lightDiffuse = -1;
    GLint lightDirection = -1;
};

// A mesh as the GPU keeps it: `copies` copies of its vertices one after the other, each
// vertex with the number of its copy, and of its corners, so that one WebGL draw draws it as
// many times over, each copy with a draw's uniforms. It starts with one copy and gets more
// when a frame draws it more often, up to the batch's size.
struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<std::uint16_t> corners;
    // The box around its positions.
    std::array<float, 3> low{};
    std::array<float, 3> high{};
    GLuint vertexBuffer = 0;
    GLuint cornerBuffer = 0;
    std::size_t copies = 0;
    // Its group in the queue, or -1.
    int group = -1;
};

enum class Kind { lines, triangles, mesh };

// The draws of one mesh, or one streamed mode, queued since the last flush. A mesh's draws are
// `count` of them, from `first` in the draws sorted by group.
struct Group {
    Kind kind = Kind::triangles;
    MeshId mesh = 0;
    std::size_t first = 0;
    std::size_t count = 0;
};

bool contextMade = false;
int width = 0;
int height = 0;
GLuint streamedProgram = 0;
MeshProgram meshProgram;
std::size_t batchSize = 0;
GLuint streamBuffer = 0;
bool meshProgramInUse = false;

std::vector<Mesh> meshes;
std::vector<MeshId> freeMeshes;

// The queue: the groups in the order their first draw came; the mesh draws in the order they
// came, each with its group; the streamed vertices of each mode. Flushed when full, so that
// its memory stays within the limits however much a frame draws.
std::vector<Group> groups;
int linesGroup = -1;
int trianglesGroup = -1;
std::vector<MeshDraw> meshDraws;
std::vector<std::uint32_t> meshDrawGroups;
std::vector<Vertex> lineVertices;
std::vector<Vertex> triangleVertices;
// The mesh draws sorted by group.
std::vector<MeshDraw> sortedDraws;

GLuint compile(GLenum kind, const char* source) {
    const GLuint shader = emscripten_glCreateShader(kind);
    emscripten_glShaderSource(shader, 1, &source, nullptr);
    emscripten_glCompileShader(shader);
    GLint compiled = 0;
    emscripten_glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (!compiled) {
        char log[1024] = "";
        emscripten_glGetShaderInfoLog(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "shader does not compile: %s\n", log);
    }
    return shader;
}

// A program of the two shaders, its attributes bound to the locations named in order; 0 when
// it does not link.
GLuint link(const char* vertexSource, std::initializer_list<const char*> attributes) {
    const GLuint program = emscripten_glCreateProgram();
    emscripten_glAttachShader(program, compile(GL_VERTEX_SHADER, vertexSource));
    emscripten_glAttachShader(program, compile(GL_FRAGMENT_SHADER, shaders::fragment));
    GLuint location = 0;
    for (const char* name : attributes) {
        emscripten_glBindAttribLocation(program, location++, name);
    }
    emscripten_glLinkProgram(program);
    GLint linked = 0;
    emscripten_glGetProgramiv(program, GL_LINK_STATUS, &linked);
    if (!linked) {
        char log[1024] = "";
        emscripten_glGetProgramInfoLog(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "shaders do not link: %s\n", log);
        return 0;
    }
    return program;
}

// The mesh program with a batch as large as the vertex shader's uniforms allow, leaving room
// for the lighting's; without it, everything is streamed.
void prepareMeshProgram() {
    GLint vectors = 0;
    emscripten_glGetIntegerv(GL_MAX_VERTEX_UNIFORM_VECTORS, &vectors);
    constexpr GLint lightingVectors = 16;
    const std::size_t fits =
        static_cast<std::size_t>(std::max(vectors - lightingVectors, 0)) / vec4sPerDraw;
    const std::size_t size = std::min(batchLimit, fits);
    if (size == 0) {
        return;
    }
    const std::string source = "#define BATCH " + std::to_string(size) + "\n" + shaders::meshVertex;
    MeshProgram& p = meshProgram;
    p.program = link(source.c_str(), {"position", "normal", "copy"});
    if (p.program == 0) {
        return;
    }
    const auto uniform = [](const char* name) {
        return emscripten_glGetUniformLocation(meshProgram.program, name);
    };
    p.draws = uniform("draws");
    p.lighting = uniform("lighting");
    p.lightZero = uniform("lightZero");
    p.colourMaterial = uniform("colourMaterial");
    p.materialAmbient = uniform("materialAmbient");
    p.materialDiffuse = uniform("materialDiffuse");
    p.lightAmbient = uniform("lightAmbient");
    p.lightDiffuse = uniform("lightDiffuse");
    p.lightDirection = uniform("lightDirection");
    batchSize = size;
}

void useMeshProgram(bool mesh) {
    if (mesh == meshProgramInUse) {
        return;
    }
    meshProgramInUse = mesh;
    emscripten_glUseProgram(mesh ? meshProgram.program : streamedProgram);
    if (mesh) {
        emscripten_glEnableVertexAttribArray(copyAttribute);
    } else {
        emscripten_glDisableVertexAttribArray(copyAttribute);
    }
}

// Sends the mesh's copies to the GPU, as many as `copies`, as far as 16-bit indices reach.
void upload(Mesh& mesh, std::size_t copies) {
    const std::size_t count = mesh.vertices.size();
    mesh.copies = std::max<std::size_t>(1, std::min(copies, indexLimit / count));
    struct Copied {
        MeshVertex vertex;
        float copy;
    };
    std::vector<Copied> vertices;
    std::vector<std::uint16_t> corners;
    vertices.reserve(mesh.copies * count);
    corners.reserve(mesh.copies * mesh.corners.size());
    for (std::size_t c = 0; c < mesh.copies; ++c) {
        for (const MeshVertex& v : mesh.vertices) {
            vertices.push_back({v, static_cast<float>(c)});
        }
        for (const std::uint16_t corner : mesh.corners) {
            corners.push_back(static_cast<std::uint16_t>(c * count + corner));
        }
    }
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(vertices.size() * sizeof(Copied)),
                            vertices.data(), GL_STATIC_DRAW);
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.cornerBuffer);
    emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                            static_cast<GLsizeiptr>(corners.size() * sizeof(std::uint16_t)),
                            corners.data(), GL_STATIC_DRAW);
}

void drawStreamed(Kind kind) {
    const std::vector<Vertex>& vertices = kind == Kind::lines ? lineVertices : triangleVertices;
    useMeshProgram(false);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, streamBuffer);
    emscripten_glBufferSubData(GL_ARRAY_BUFFER, 0,
                               static_cast<GLsizeiptr>(vertices.size() * sizeof(Vertex)),
                               vertices.data());
    emscripten_glVertexAttribPointer(clipOrPosition, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                                     reinterpret_cast<const void*>(offsetof(Vertex, clip)));
    emscripten_glVertexAttribPointer(colourOrNormal, 4, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                                     reinterpret_cast<const void*>(offsetof(Vertex, colour)));
    emscripten_glDrawArrays(kind == Kind::lines ? GL_LINES : GL_TRIANGLES, 0,
                            static_cast<GLsizei>(vertices.size()));
}

// The mesh draws, queued in any order, sorted by group in the order of the groups.
void sortMeshDraws() {
    std::size_t first = 0;
    for (Group& group : groups) {
        group.first = first;
        first += group.count;
        group.count = 0;
    }
    sortedDraws.resize(meshDraws.size());
    for (std::size_t i = 0; i < meshDraws.size(); ++i) {
        Group& group = groups[meshDrawGroups[i]];
        sortedDraws[group.first + group.count++] = meshDraws[i];
    }
}

void drawMeshGroup(const Group& group) {
    useMeshProgram(true);
    Mesh& mesh = meshes[group.mesh];
    if (mesh.copies < std::min(group.count, batchSize)) {
        upload(mesh, std::min(std::bit_ceil(group.count), batchSize));
    }
    const auto at = [](std::size_t offset) { return reinterpret_cast<const void*>(offset); };
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, mesh.vertexBuffer);
    constexpr GLsizei stride = sizeof(MeshVertex) + sizeof(float);
    emscripten_glVertexAttribPointer(clipOrPosition, 3, GL_FLOAT, GL_FALSE, stride,
                                     at(offsetof(MeshVertex, position)));
    emscripten_glVertexAttribPointer(colourOrNormal, 3, GL_FLOAT, GL_FALSE, stride,
                                     at(offsetof(MeshVertex, normal)));
    emscripten_glVertexAttribPointer(copyAttribute, 1, GL_FLOAT, GL_FALSE, stride,
                                     at(sizeof(MeshVertex)));
    emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, mesh.cornerBuffer);
    for (std::size_t done = 0; done < group.count;) {
        const std::size_t n = std::min(mesh.copies, group.count - done);
        emscripten_glUniform4fv(meshProgram.draws, static_cast<GLsizei>(n * vec4sPerDraw),
                                sortedDraws[group.first + done].modelviewProjection);
        emscripten_glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(n * mesh.corners.size()),
                                  GL_UNSIGNED_SHORT, nullptr);
        done += n;
    }
}

// The index of the group for this kind (and mesh), which is made when it has none yet.
std::uint32_t groupFor(Kind kind, MeshId mesh) {
    int& index = kind == Kind::mesh    ? meshes[mesh].group
                 : kind == Kind::lines ? linesGroup
                                       : trianglesGroup;
    if (index < 0) {
        index = static_cast<int>(groups.size());
        groups.push_back({kind, mesh, 0, 0});
    }
    return static_cast<std::uint32_t>(index);
}

std::vector<Vertex>& streamed(Kind kind) {
    if (lineVertices.size() + triangleVertices.size() + 6 > streamedVertexLimit) {
        flush();
    }
    groupFor(kind, 0);
    return kind == Kind::lines ? lineVertices : triangleVertices;
}

class WebGlMeshStore : public MeshStore {
  public:
    MeshId make(std::span<const MeshVertex> vertices,
                std::span<const std::uint16_t> corners) override {
        MeshId id = 0;
        if (freeMeshes.empty()) {
            id = static_cast<MeshId>(meshes.size());
            meshes.emplace_back();
        } else {
            id = freeMeshes.back();
            freeMeshes.pop_back();
        }
        Mesh& mesh = meshes[id];
        mesh.vertices.assign(vertices.begin(), vertices.end());
        mesh.corners.assign(corners.begin(), corners.end());
        mesh.low =
            mesh.high = {vertices[0].position[0], vertices[0].position[1], vertices[0].position[2]};
        for (const MeshVertex& v : vertices) {
            for (std::size_t i = 0; i < 3; ++i) {
                mesh.low[i] = std::min(mesh.low[i], v.position[i]);
                mesh.high[i] = std::max(mesh.high[i], v.position[i]);
            }
        }
        emscripten_glGenBuffers(1, &mesh.vertexBuffer);
        emscripten_glGenBuffers(1, &mesh.cornerBuffer);
        upload(mesh, 1);
        return id;
    }

    void release(MeshId id) override {
        if (!contextMade) {
            return;
        }
        if (meshes[id].group >= 0) {
            flush();
        }
        emscripten_glDeleteBuffers(1, &meshes[id].vertexBuffer);
        emscripten_glDeleteBuffers(1, &meshes[id].cornerBuffer);
        meshes[id] = Mesh{};
        freeMeshes.push_back(id);
    }
};

}  // namespace

void createContext(const char* canvasSelector, int canvasWidth, int canvasHeight) {
    width = canvasWidth;
    height = canvasHeight;
    emscripten_set_canvas_element_size(canvasSelector, width, height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    // The last frame stays readable after it is shown, for a held picture and its tests.
    attributes.preserveDrawingBuffer = EM_TRUE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context =
        emscripten_webgl_create_context(canvasSelector, &attributes);
    if (context <= 0) {
        std::fprintf(stderr, "this browser gives the page no WebGL\n");
        return;
    }
    emscripten_webgl_make_context_current(context);
    contextMade = true;

    streamedProgram = link(shaders::streamedVertex, {"clip", "colour"});
    emscripten_glUseProgram(streamedProgram);
    prepareMeshProgram();

    emscripten_glGenBuffers(1, &streamBuffer);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, streamBuffer);
    emscripten_glBufferData(GL_ARRAY_BUFFER, streamedVertexLimit * sizeof(Vertex), nullptr,
                            GL_STREAM_DRAW);
    emscripten_glEnableVertexAttribArray(clipOrPosition);
    emscripten_glEnableVertexAttribArray(colourOrNormal);
    emscripten_glViewport(0, 0, width, height);
}

int viewportWidth() {
    return width;
}

int viewportHeight() {
    return height;
}

bool meshesAvailable() {
    return batchSize > 0;
}

MeshStore& meshStore() {
    // Made on first use, so that whichever object asks for it first outlives it.
    static WebGlMeshStore store;
    return store;
}

void drawMesh(MeshId mesh, const MeshDraw& draw) {
    // A draw wholly outside the view, such as the balls of a deep tree below the window's
    // edge, would leave no fragment: it costs nothing when it is not sent.
    if (web_gl::boxOutside(draw.modelviewProjection, meshes[mesh].low, meshes[mesh].high,
                           draw.normalColumns[3])) {
        return;
    }
    if (meshDraws.size() == meshDrawLimit) {
        flush();
    }
    const std::uint32_t group = groupFor(Kind::mesh, mesh);
    ++groups[group].count;
    meshDraws.push_back(draw);
    meshDrawGroups.push_back(group);
}

void addTriangle(const Vertex& a, const Vertex& b, const Vertex& c) {
    std::vector<Vertex>& vertices = streamed(Kind::triangles);
    vertices.insert(vertices.end(), {a, b, c});
}

void addLine(const Vertex& a, const Vertex& b) {
    std::vector<Vertex>& vertices = streamed(Kind::lines);
    vertices.insert(vertices.end(), {a, b});
}

void setLighting(const Lighting& lighting) {
    flush();
    if (!meshesAvailable()) {
        return;
    }
    useMeshProgram(true);
    const MeshProgram& p = meshProgram;
    emscripten_glUniform1i(p.lighting, lighting.lighting);
    emscripten_glUniform1i(p.lightZero, lighting.lightZero);
    emscripten_glUniform1i(p.colourMaterial, lighting.colourMaterial);
    emscripten_glUniform4fv(p.materialAmbient, 1, lighting.materialAmbient.data());
    emscripten_glUniform4fv(p.materialDiffuse, 1, lighting.materialDiffuse.data());
    emscripten_glUniform4fv(p.lightAmbient, 1, lighting.lightAmbient.data());
    emscripten_glUniform4fv(p.lightDiffuse, 1, lighting.lightDiffuse.data());
    emscripten_glUniform3fv(p.lightDirection, 1, lighting.lightDirection.data());
}

void flush() {
    sortMeshDraws();
    for (const Group& group : groups) {
        if (group.kind == Kind::mesh) {
            drawMeshGroup(group);
            meshes[group.mesh].group = -1;
        } else {
            drawStreamed(group.kind);
        }
    }
    groups.clear();
    linesGroup = -1;
    trianglesGroup = -1;
    meshDraws.clear();
    meshDrawGroups.clear();
    lineVertices.clear();
    triangleVertices.clear();
}

void clear(unsigned int mask) {
    flush();
    emscripten_glClear(mask);
}

void clearColour(float r, float g, float b, float a) {
    flush();
    emscripten_glClearColor(r, g, b, a);
}

void setDepthTest(bool enabled) {
    flush();
    if (enabled) {
        emscripten_glEnable(GL_DEPTH_TEST);
    } else {
        emscripten_glDisable(GL_DEPTH_TEST);
    }
}

}  // namespace web_gl
