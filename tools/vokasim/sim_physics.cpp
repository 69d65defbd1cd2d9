// Materials and the simplified interaction physics of the generator.
//
// Photons: photoelectric absorption from a power law in Z and E fitted to
// lead and water near 100 keV (no edges, no fluorescence); Compton
// scattering on free electrons with the Klein-Nishina cross section and
// sampling; pair production from 7/9 of the inverse radiation length times
// an empirical threshold factor, energy shared uniformly.
// Electrons and positrons: continuous loss by the Bethe collision stopping
// power (no density effect, no delta rays), Gaussian multiple scattering of
// Highland's width, bremsstrahlung above the photon cut-off from the
// complete-screening spectrum.  Positrons annihilate only at rest.
#include <cmath>
#include <cstring>

#include "vokasim.h"

static const double PI = 3.14159265358979323846;
static const double AVOGADRO = 0.602214076;           // per mol, in units of 1e24
static const double BARN = 1e-24;                     // cm2
static const double ELECTRON_RADIUS2 = 7.9407877e-26; // classical radius squared, cm2

// clang-format off
static const SimMaterial material_table[] = {
    {"water", 1.0, 36.08, 75.0e-6, 2, {1.0, 8.0, 0.0}, {1.008, 15.999, 0.0},
     {0.111894, 0.888106, 0.0}},
    {"aluminium", 2.699, 8.897, 166.0e-6, 1, {13.0, 0.0, 0.0}, {26.9815, 0.0, 0.0},
     {1.0, 0.0, 0.0}},
    {"lead", 11.35, 0.5612, 823.0e-6, 1, {82.0, 0.0, 0.0}, {207.2, 0.0, 0.0}, {1.0, 0.0, 0.0}},
    {"iron", 7.874, 1.757, 286.0e-6, 1, {26.0, 0.0, 0.0}, {55.845, 0.0, 0.0}, {1.0, 0.0, 0.0}},
    {"air", 1.205e-3, 30390.0, 85.7e-6, 3, {7.0, 8.0, 18.0}, {14.007, 15.999, 39.948},
     {0.7553, 0.2318, 0.0129}},
    {"vacuum", 0.0, 0.0, 0.0, 0, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}},
};
// clang-format on

static const int MATERIAL_TOTAL =
    static_cast<int>(sizeof material_table / sizeof material_table[0]);

int Sim_material_count(void)
{
    return MATERIAL_TOTAL;
}

int Sim_material_find(const char *name)
{
    if (std::strcmp(name, "aluminum") == 0)
        name = "aluminium";
    for (int i = 0; i < MATERIAL_TOTAL; i++)
        if (std::strcmp(material_table[i].name, name) == 0)
            return i;
    return -1;
}

const SimMaterial *Sim_material_get(int index)
{
    if (index < 0 || index >= MATERIAL_TOTAL)
        return nullptr;
    return &material_table[index];
}

// Electrons per cm3, in units of 1e24.
static double Electron_density(const SimMaterial *m)
{
    double z_over_a = 0.0;
    for (int i = 0; i < m->element_count; i++)
        z_over_a += m->element_w[i] * m->element_z[i] / m->element_a[i];
    return m->density * AVOGADRO * z_over_a;
}

// Photoelectric cross section per atom (barn): C Z^4.3 E^-3 sqrt(1 + E/0.1 MeV),
// C chosen for 1790 b in lead at 100 keV.
static double Photoelectric_atom(double z, double e)
{
    const double c = 7.47e-9;
    return c * std::pow(z, 4.3) / (e * e * e) * std::sqrt(1.0 + e / 0.1);
}

// Klein-Nishina cross section per electron (cm2).
static double Compton_electron(double e)
{
    const double k = e / SIM_ELECTRON_MASS;
    if (k < 1e-3)
        return 8.0 / 3.0 * PI * ELECTRON_RADIUS2 * (1.0 - 2.0 * k + 5.2 * k * k);
    const double l = std::log(1.0 + 2.0 * k);
    const double q = 1.0 + 2.0 * k;
    return 2.0 * PI * ELECTRON_RADIUS2 *
           ((1.0 + k) / (k * k) * (2.0 * (1.0 + k) / q - l / k) + l / (2.0 * k) -
            (1.0 + 3.0 * k) / (q * q));
}

void Sim_photon_cross(const SimMaterial *m, double e, SimPhotonCross *cross)
{
    cross->photoelectric = 0.0;
    cross->compton = 0.0;
    cross->pair = 0.0;
    cross->total = 0.0;
    if (m->density <= 0.0 || e <= 0.0)
        return;
    for (int i = 0; i < m->element_count; i++) {
        const double atoms = m->density * AVOGADRO * m->element_w[i] / m->element_a[i];
        cross->photoelectric += atoms * 1e24 * Photoelectric_atom(m->element_z[i], e) * BARN;
    }
    cross->compton = Electron_density(m) * 1e24 * Compton_electron(e);
    const double threshold = 2.0 * SIM_ELECTRON_MASS;
    if (e > threshold) {
        const double x = threshold / e;
        const double l = std::log(e / threshold);
        cross->pair =
            7.0 / 9.0 / m->radiation_length * (1.0 - x) * (1.0 - x) * (1.0 - x) * l / (l + 2.18);
    }
    cross->total = cross->photoelectric + cross->compton + cross->pair;
}

void Sim_compton_sample(SimRandom *random, double e, double *e_scattered, double *cos_theta)
{
    const double k = e / SIM_ELECTRON_MASS;
    const double eps0 = 1.0 / (1.0 + 2.0 * k);
    const double eps0_sq = eps0 * eps0;
    const double alpha1 = -std::log(eps0);
    const double alpha2 = alpha1 + 0.5 * (1.0 - eps0_sq);
    double eps = 1.0;
    double one_minus_cos = 0.0;
    for (int tries = 0; tries < 1000; tries++) {
        double eps_sq;
        if (alpha1 > alpha2 * Sim_random_uniform(random)) {
            eps = std::exp(-alpha1 * Sim_random_uniform(random));
            eps_sq = eps * eps;
        } else {
            eps_sq = eps0_sq + (1.0 - eps0_sq) * Sim_random_uniform(random);
            eps = std::sqrt(eps_sq);
        }
        one_minus_cos = (1.0 - eps) / (eps * k);
        const double sin2 = one_minus_cos * (2.0 - one_minus_cos);
        const double reject = 1.0 - eps * sin2 / (1.0 + eps_sq);
        if (reject >= Sim_random_uniform(random))
            break;
    }
    *e_scattered = eps * e;
    *cos_theta = 1.0 - one_minus_cos;
}

double Sim_photoelectron_cos(SimRandom *random, double kinetic)
{
    // Sauter's K-shell distribution, sampled as in common transport codes.
    const double tau = kinetic / SIM_ELECTRON_MASS;
    if (tau > 50.0)
        return 1.0;
    const double gamma = tau + 1.0;
    const double beta = std::sqrt(tau * (tau + 2.0)) / gamma;
    const double a = (1.0 - beta) / beta;
    const double ap2 = a + 2.0;
    const double b = 0.5 * beta * gamma * (gamma - 1.0) * (gamma - 2.0);
    const double g_max = 2.0 * (1.0 + a * b) / a;
    double z = 0.0;
    for (int tries = 0; tries < 1000; tries++) {
        const double q = Sim_random_uniform(random);
        z = 2.0 * a * (2.0 * q + ap2 * std::sqrt(q)) / (ap2 * ap2 - 4.0 * q);
        const double g = (2.0 - z) * (1.0 / (a + z) + b);
        if (g >= Sim_random_uniform(random) * g_max)
            break;
    }
    double c = 1.0 - z;
    if (c < -1.0)
        c = -1.0;
    if (c > 1.0)
        c = 1.0;
    return c;
}

void Sim_pair_sample(SimRandom *random, double e, double *electron, double *positron)
{
    const double available = e - 2.0 * SIM_ELECTRON_MASS;
    if (available <= 0.0) {
        *electron = 0.0;
        *positron = 0.0;
        return;
    }
    *electron = available * Sim_random_uniform(random);
    *positron = available - *electron;
}

double Sim_emission_angle(SimRandom *random, double total_energy)
{
    // Modified Tsai: theta = u m / E with u from a sum of two gamma laws.
    const double u_max = 2.0 * (1.0 + total_energy / SIM_ELECTRON_MASS);
    double u = 0.0;
    for (int tries = 0; tries < 1000; tries++) {
        const double uu = -std::log(Sim_random_uniform(random) * Sim_random_uniform(random));
        u = (Sim_random_uniform(random) < 0.25) ? uu * 1.6 : uu * 1.6 / 3.0;
        if (u <= u_max)
            break;
    }
    double theta = u * SIM_ELECTRON_MASS / total_energy;
    if (theta > PI)
        theta = PI;
    return std::cos(theta);
}

double Sim_stopping_power(const SimMaterial *m, int kind, double kinetic)
{
    if (m->density <= 0.0)
        return 0.0;
    const double tau = kinetic / SIM_ELECTRON_MASS;
    const double gamma = tau + 1.0;
    const double beta2 = 1.0 - 1.0 / (gamma * gamma);
    const double i_ratio = m->excitation / SIM_ELECTRON_MASS;
    double f;
    if (kind == SIM_POSITRON) {
        const double y = 1.0 / (tau + 2.0);
        f = 2.0 * std::log(2.0) - beta2 / 12.0 * (23.0 + 14.0 * y + 10.0 * y * y + 4.0 * y * y * y);
    } else {
        f = 1.0 - beta2 + (tau * tau / 8.0 - (2.0 * tau + 1.0) * std::log(2.0)) / (gamma * gamma);
    }
    double bracket = std::log(tau * tau * (tau + 2.0) / (2.0 * i_ratio * i_ratio)) + f;
    if (bracket < 1.0)
        bracket = 1.0; // below a few keV the formula fails; keep the loss positive
    const double z_over_a = Electron_density(m) / (m->density * AVOGADRO);
    return 0.153537 * m->density * z_over_a / beta2 * bracket;
}

double Sim_brems_rate(const SimMaterial *m, double kinetic, double photon_cut)
{
    if (m->density <= 0.0 || kinetic <= photon_cut)
        return 0.0;
    const double total = kinetic + SIM_ELECTRON_MASS;
    const double n = 4.0 / 3.0 * std::log(kinetic / photon_cut) -
                     4.0 / 3.0 * (kinetic - photon_cut) / total +
                     (kinetic * kinetic - photon_cut * photon_cut) / (2.0 * total * total);
    return n / m->radiation_length;
}

double Sim_brems_sample(SimRandom *random, double kinetic, double photon_cut)
{
    // dN/dk proportional to (4/3 - 4/3 y + y^2) / k, y = k / E: 1/k, then rejection.
    const double total = kinetic + SIM_ELECTRON_MASS;
    double k = photon_cut;
    for (int tries = 0; tries < 1000; tries++) {
        k = photon_cut * std::pow(kinetic / photon_cut, Sim_random_uniform(random));
        const double y = k / total;
        if (Sim_random_uniform(random) <= 1.0 - y + 0.75 * y * y)
            break;
    }
    return k;
}

double Sim_scatter_width(const SimMaterial *m, double kinetic, double s)
{
    if (m->density <= 0.0 || s <= 0.0 || kinetic <= 0.0)
        return 0.0;
    const double beta_cp =
        kinetic * (kinetic + 2.0 * SIM_ELECTRON_MASS) / (kinetic + SIM_ELECTRON_MASS);
    const double x = s / m->radiation_length;
    double factor = 1.0 + 0.038 * std::log(x);
    if (factor < 0.3)
        factor = 0.3;
    return 13.6 / beta_cp * std::sqrt(x) * factor;
}

void Sim_direction_rotate(double dir[3], double cos_theta, double phi)
{
    if (cos_theta > 1.0)
        cos_theta = 1.0;
    if (cos_theta < -1.0)
        cos_theta = -1.0;
    const double sin_theta = std::sqrt(1.0 - cos_theta * cos_theta);
    const double cp = std::cos(phi);
    const double sp = std::sin(phi);
    const double u = dir[0];
    const double v = dir[1];
    const double w = dir[2];
    double nu;
    double nv;
    double nw;
    if (std::fabs(w) > 0.99999) {
        nu = sin_theta * cp;
        nv = sin_theta * sp;
        nw = (w > 0.0) ? cos_theta : -cos_theta;
    } else {
        const double t = std::sqrt(1.0 - w * w);
        nu = u * cos_theta + sin_theta * (u * w * cp - v * sp) / t;
        nv = v * cos_theta + sin_theta * (v * w * cp + u * sp) / t;
        nw = w * cos_theta - sin_theta * t * cp;
    }
    const double norm = std::sqrt(nu * nu + nv * nv + nw * nw);
    dir[0] = nu / norm;
    dir[1] = nv / norm;
    dir[2] = nw / norm;
}
