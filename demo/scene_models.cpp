// The nine scene models: read from their files in load order and placed in
// a diagonal row on the board, filed into the depth buckets and released in
// insertion order. A model whose file cannot be read is left out.
#include "demo.h"

#include <cstdio>

// One model file in load order, with the value written into both xpos and
// zpos (placed 0: the loader's own placement is kept).
struct model_file {
    const char *path;  // relative to the working directory
    int legacy;        // non-zero: the older byte-oriented format
    int placed;        // non-zero: pos is written into xpos and zpos
    int pos;           // whole world units
};

static const model_file MODEL_FILES[NUM_MODELS] = {
    {"models/legacy/face.dat", 1, 1, 70},
    {"models/legacy/ghost.dat", 1, 1, 60},
    {"models/legacy/vampire.dat", 1, 1, 50},
    {"models/legacy/swamp.dat", 1, 1, 40},
    {"models/legacy/tentacle.dat", 1, 1, 30},
    {"models/legacy/wizard.dat", 1, 1, 20},
    {"models/walker.mdl", 0, 1, 10},
    {"models/mask.mdl", 0, 1, -10},
    {"models/ghost.mdl", 0, 0, 0},
};

// Load positions in the order the models are filed and released.
static const int INSERTION_ORDER[NUM_MODELS] = {8, 6, 7, 5, 4, 3, 2, 1, 0};

const char *model_path(int i)
{
    return MODEL_FILES[i].path;
}

void load_scene_models(demo_model *models)
{
    for (int i = 0; i < NUM_MODELS; i++) {
        const model_file *f = &MODEL_FILES[i];
        demo_model *m = &models[i];
        m->loaded = 0;
        int result = f->legacy ? load_legacy_model(&m->model, f->path)
                               : load_model(&m->model, f->path);
        if (result != LOAD_OK) {
            std::fprintf(stderr, "zelk-demo: %s: %s; the demo runs without this model\n",
                         f->path,
                         result == LOAD_NO_FILE ? "cannot open the file"
                                                : "not a valid model file");
            continue;
        }
        m->loaded = 1;
        if (f->placed) {
            m->model.xpos = itofix(f->pos);
            m->model.zpos = itofix(f->pos);
        }
    }
}

void add_scene_models(frame_buffer *fb, demo_model *models)
{
    for (int n = 0; n < NUM_MODELS; n++) {
        demo_model *m = &models[INSERTION_ORDER[n]];
        if (m->loaded)
            add_model_to_scene(fb, &m->model);
    }
}

void free_scene_models(demo_model *models)
{
    for (int n = 0; n < NUM_MODELS; n++) {
        demo_model *m = &models[INSERTION_ORDER[n]];
        if (m->loaded)
            free_polygon_model(&m->model);
        m->loaded = 0;
    }
}
